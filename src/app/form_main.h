#pragma once
// TFormMain, the main window: the month grid of the current calendar, the selected date as
// text, how full the table of notes is, the calendar list, and the buttons that start every
// other function.

#include "app/main_window_access.h"
#include "config/calendar_context.h"
#include "html/page_writer.h"

#include <QWidget>

#include <functional>

class QAbstractButton;
class QAction;
class QComboBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QProgressBar;
class QPushButton;
class QShortcut;
class QToolButton;

namespace mondeliar {
class PublishCancel;
}

namespace mondeliar::app {

class MonthGrid;
class TFormAbout;
class TFormAddNote;
class TFormCfg;
class TFormPurge;
class UserDialogs;

class TFormMain : public QWidget, public MainWindowAccess {
public:
    // The creation of the main window: its controls and tab order, shown at the front, then
    // the default calendar's files, settings, language and notes, the calendar list, the
    // gauge, the date label and the first weekday. A failing load is reported and the steps
    // after it are skipped.
    TFormMain(CalendarContext& context, UserDialogs& dialogs);
    ~TFormMain() override;

    // The dialogs, created after the main window.
    void AttachDialogs(TFormCfg* formCfg, TFormAddNote& formAddNote, TFormPurge& formPurge,
                       TFormAbout& formAbout);

    // Asked to end the program (Exit, or the window closed).
    std::function<void()> OnTerminate;

    void RefreshDateLabel();
    void RefreshUsageGauge();
    // Bold dates with their notes as tooltip, from the table as it is now.
    void RefreshNoteMarks();

    // SelectedDate: the date of the last double-click on the month grid.
    Date SelectedDate() const { return selectedDate_; }

    // MainWindowAccess
    QString CalendarListText() const override;
    void SetCalendarListText(const QString& name) override;
    QStringList CalendarListItems() const override;
    void AddCalendarListItem(const QString& name) override;
    void SetCalendarListEnabled(bool enabled) override;
    void SetFirstDayOfWeek(int startWeek) override;
    void BringToFront() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    // The configuration dialog is modeless: a dialog that disables the main window leaves it
    // usable.
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class PublishRun;

    void CreateControls();
    void CreateWrittenLine();
    void SetTabOrder();
    void ConnectHandlers();
    void LoadDefaultCalendar();
    void FillCalendarList();
    void ApplyMainWindowText(const std::string& key, const std::string& text);
    void UpdateCommandStates();
    void ShowPublishProgress(const QString& text);
    void ShowWrittenPages();
    // Keys of the month grid beyond its own: Home, Ctrl+Page Up/Down, Delete.
    bool GridKeyPress(const QKeyEvent& key);
    // A name that is not a calendar switches nothing; the list shows the current one again.
    void RequireCalendar(const std::string& name);
    void Terminate();
    PageWriterHooks WriterHooks();

    void ButtonAboutClick();
    void ButtonCfgClick();
    void ButtonWriteClick();
    void ButtonPublishClick();
    void UploadAllPagesClick();
    void Publish(bool uploadAll);
    void CancelPublish();
    void ButtonHelpClick();
    void ButtonOpenPageClick();
    void ButtonTodayClick();
    void DeleteDateNotes();
    void ButtonPurgeClick();
    void ButtonExitClick();
    void ButtonPrevClick();
    void ButtonNextClick();
    void Calendar1Change();
    void Calendar1DblClick();
    void cbSelectCalendarChange(const QString& name);

    CalendarContext& context_;
    UserDialogs& dialogs_;
    TFormCfg* formCfg_ = nullptr;
    TFormAddNote* formAddNote_ = nullptr;
    TFormPurge* formPurge_ = nullptr;
    TFormAbout* formAbout_ = nullptr;

    Date selectedDate_;
    QString lastSwitchName_;  // the name the calendar list last switched to, or tried
    QString writtenPage_;     // the current month's page of the last Write
    PublishCancel* cancel_ = nullptr;  // set while a publish runs
    bool calendarListHeld_ = false;  // disabled by the configuration dialog

    QFrame* Panel1;
    QPushButton* ButtonAbout;
    QPushButton* ButtonCfg;
    QPushButton* ButtonWrite;
    QToolButton* ButtonPublish;  // a split button: its arrow offers UploadAllPages
    QAction* UploadAllPages;
    QShortcut* CancelKey;  // Escape, while a publish runs
    QPushButton* ButtonHelp;
    QComboBox* cbSelectCalendar;
    QPushButton* ButtonPurge;
    QPushButton* ButtonExit;
    QPushButton* ButtonPrev;
    QPushButton* ButtonNext;
    QPushButton* ButtonToday;
    QProgressBar* GaugeUsage;
    QFrame* Bevel1;
    QLabel* LabelDate;
    MonthGrid* Calendar1;
    QLabel* LabelProgress;
    QWidget* PanelWritten;  // the line saying where Write put the pages
    QLabel* LabelWritten;
    QPushButton* ButtonOpenPage;
};

}  // namespace mondeliar::app
