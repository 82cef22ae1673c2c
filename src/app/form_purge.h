#pragma once
// TFormPurge: how full the table of notes is, the purge date of the calendar's settings, and
// the button that frees every record dated before it. The purge works on the table only; the
// freed slots reach the notes file with the next stored note.

#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace mondeliar {
class EntryStore;
struct CalendarContext;
struct CalendarEntry;
}  // namespace mondeliar

namespace mondeliar::app {

class UserDialogs;

using EntryChoice = std::function<bool(const CalendarEntry&)>;
// The dated records of `entries` that `chosen` picks.
int CountEntries(const EntryStore& entries, const EntryChoice& chosen);
// Frees the slots that `chosen` picks, as the purge does; returns how many held a date.
int FreeEntries(EntryStore& entries, const EntryChoice& chosen);

// The count a usage gauge shows, "4 of 1000": a few dates of 1000 would round to "0%".
QString UsageText(int used);

class TFormPurge : public QDialog {
public:
    TFormPurge(CalendarContext& context, UserDialogs& dialogs, QWidget& mainWindow);

    // The opening: the gauge, the purge date, the main window disabled.
    void OpenDialog();

    // Frees the slots dated before PURGEYEAR/PURGEMONTH/PURGEDAY; returns how many there were.
    int PurgeOldEntries();

    // Told after each purge (the main window's marks follow the table).
    std::function<void()> OnPurged;

protected:
    // The close box and Escape close the dialog as Done does.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void Button1Click();
    void ButtonDoneClick();

    CalendarContext& context_;
    UserDialogs& dialogs_;
    QWidget& mainWindow_;

    QProgressBar* GaugeUsage;
    QLabel* LabelPercentage;
    QLabel* LabelPurge;
    QLabel* LabelPurgeDate;
    QPushButton* Button1;
    QPushButton* ButtonDone;
};

}  // namespace mondeliar::app
