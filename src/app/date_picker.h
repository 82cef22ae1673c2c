#pragma once
// A date picker for a date kept as year, month and day numbers. A stored date that the picker
// cannot show (month 0 after a file that lacks the keys, a year before 100 or after 9999)
// opens as the nearest date it can, and that date is the one stored: what the picker shows
// and what Ok stores always agree.

#include "config/calendar_context.h"

#include <QDateEdit>

namespace mondeliar::app {

// Year, month and day clamped into the picker's range.
Date NearestRealDate(int year, int month, int day);

class DatePicker : public QDateEdit {
public:
    explicit DatePicker(QWidget* parent = nullptr);

    void SetStoredDate(int year, int month, int day);
    // The date shown, to store.
    Date StoredDate() const;
};

}  // namespace mondeliar::app
