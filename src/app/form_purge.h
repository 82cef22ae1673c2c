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
struct CalendarContext;
}

namespace mondeliar::app {

class UserDialogs;

class TFormPurge : public QDialog {
public:
    TFormPurge(CalendarContext& context, UserDialogs& dialogs, QWidget& mainWindow);

    // The opening: the gauge, the purge date, the main window disabled.
    void OpenDialog();

    // Frees the slots dated before PURGEYEAR/PURGEMONTH/PURGEDAY.
    void PurgeOldEntries();

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
