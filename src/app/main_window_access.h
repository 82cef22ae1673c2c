#pragma once
// What the configuration dialog needs of the main window: its calendar list, its month
// grid's first weekday, and bringing it to the front. The main window implements it; tests
// of the dialog use a stand-in.

#include <QString>
#include <QStringList>

namespace mondeliar::app {

class MainWindowAccess {
public:
    virtual ~MainWindowAccess() = default;

    // The text of the calendar list `cbSelectCalendar` (the current calendar's name).
    virtual QString CalendarListText() const = 0;
    // Puts a name back into the list's text without switching calendars.
    virtual void SetCalendarListText(const QString& name) = 0;
    // The list's items, in list order.
    virtual QStringList CalendarListItems() const = 0;
    // Adds a calendar to the list (it stays sorted).
    virtual void AddCalendarListItem(const QString& name) = 0;
    // The list is disabled while the configuration dialog is shown, so the dialog always
    // edits the calendar it was opened for.
    virtual void SetCalendarListEnabled(bool enabled) = 0;
    // The first day of the week of the month grid: 0 Sunday .. 6 Saturday.
    virtual void SetFirstDayOfWeek(int startWeek) = 0;
    // Raises and activates the main window.
    virtual void BringToFront() = 0;
};

}  // namespace mondeliar::app
