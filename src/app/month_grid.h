#pragma once
// Calendar1, the main window's month grid: one selected date, the system's short weekday
// names, a configurable first weekday, and the dates that hold notes in bold with the notes
// as their tooltip. A double-click or Enter on a date reports it through activated().

#include "config/calendar_context.h"

#include <QCalendarWidget>

namespace mondeliar {
class EntryStore;
}

namespace mondeliar::app {

class MonthGrid : public QCalendarWidget {
public:
    explicit MonthGrid(QWidget* parent = nullptr);

    Date SelectedDate() const;
    // Selects `date` and shows its month.
    void ShowDate(const Date& date);
    // One month forward (1) or back (-1), keeping the day, or the month's last day when
    // the new month is shorter.
    void StepMonth(int months);
    // 0 Sunday .. 6 Saturday.
    void SetFirstDayOfWeek(int startWeek);
    // Marks every date that holds a record of `entries`, dropping the marks of before.
    void MarkNoteDates(const EntryStore& entries);

protected:
    // The weekend's red greys out with the rest while the grid is disabled.
    void changeEvent(QEvent* event) override;
};

}  // namespace mondeliar::app
