#pragma once
// A date picker for a date kept as year, month and day numbers. A stored date that is no
// real date (month 0 after a file that lacks the keys) opens as the nearest real one. The
// picker cannot show years before 100 or after 9999; such a year is kept as long as the user
// leaves the picker alone.

#include "config/calendar_context.h"

#include <QDateEdit>

namespace mondeliar::app {

// Month and day clamped into range, the year at least 1.
Date NearestRealDate(int year, int month, int day);

class DatePicker : public QDateEdit {
public:
    explicit DatePicker(QWidget* parent = nullptr);

    void SetStoredDate(int year, int month, int day);
    // The date to store: the date given to SetStoredDate, made real, until the user picks
    // another one.
    Date StoredDate() const;

private:
    Date stored_;
    bool changedByUser_ = false;
};

}  // namespace mondeliar::app
