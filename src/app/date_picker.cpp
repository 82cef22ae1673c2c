#include "app/date_picker.h"

#include <QLocale>

#include <algorithm>

namespace mondeliar::app {

namespace {

// The locale's short date, with the year in four digits: a two-digit year would be read
// back as one of the 1900s.
QString ShortDateFormat()
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains("yyyy"))
        format.replace("yy", "yyyy");
    return format;
}

}  // namespace

Date NearestRealDate(int year, int month, int day)
{
    Date date;
    date.Year = std::max(year, 1);
    date.Month = std::clamp(month, 1, 12);
    date.Day = std::clamp(day, 1, QDate(date.Year, date.Month, 1).daysInMonth());
    return date;
}

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent)
{
    setCalendarPopup(true);
    setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
    setDisplayFormat(ShortDateFormat());
    connect(this, &QDateEdit::dateChanged, this, [this] { changedByUser_ = true; });
}

void DatePicker::SetStoredDate(int year, int month, int day)
{
    stored_ = NearestRealDate(year, month, day);
    setDate(QDate(stored_.Year, stored_.Month, stored_.Day));
    changedByUser_ = false;
}

Date DatePicker::StoredDate() const
{
    if (!changedByUser_)
        return stored_;
    QDate shown = date();
    return {shown.year(), shown.month(), shown.day()};
}

}  // namespace mondeliar::app
