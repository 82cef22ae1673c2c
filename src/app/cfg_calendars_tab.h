#pragma once
// The Calendars tab: creating and deleting calendars, and the purge date.

#include <QWidget>

class QComboBox;
class QLineEdit;

namespace mondeliar {
struct CalendarContext;
struct CalendarSettings;
}  // namespace mondeliar

namespace mondeliar::app {

class DatePicker;
class MainWindowAccess;
class RadioGroup;
class UserDialogs;

class CfgCalendarsTab : public QWidget {
public:
    // The delete list starts as a copy of the main window's calendar list.
    CfgCalendarsTab(CalendarContext& context, UserDialogs& dialogs, MainWindowAccess& mainWindow,
                    QWidget* parent = nullptr);

    // Opening: "Use default configuration setting", and the purge date.
    void Fill(const CalendarSettings& settings);
    void StorePurgeDate(CalendarSettings& settings) const;

private:
    void ButtonCreateClick();
    void ButtonDeleteCalendarClick();
    // Shows why a calendar was not created or deleted; false when it was ("" refusal).
    bool Refused(const std::string& refusal);

    CalendarContext& context_;
    UserDialogs& dialogs_;
    MainWindowAccess& mainWindow_;
    QLineEdit* EditNewCalendar;
    RadioGroup* rgNewCfg;
    QComboBox* cbDeleteCalendar;
    DatePicker* DateTimePickerPurge;
};

}  // namespace mondeliar::app
