#include "app/date_picker.h"

#include <QLocale>

#include <algorithm>

namespace mondeliar::app {

namespace {

// The years a QDateEdit can show.
constexpr int FirstYear = 100;
constexpr int LastYear = 9999;

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
    date.Year = std::clamp(year, FirstYear, LastYear);
    date.Month = std::clamp(month, 1, 12);
    date.Day = std::clamp(day, 1, QDate(date.Year, date.Month, 1).daysInMonth());
    return date;
}

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent)
{
    setCalendarPopup(true);
    setDateRange(QDate(FirstYear, 1, 1), QDate(LastYear, 12, 31));
    setDisplayFormat(ShortDateFormat());
}

void DatePicker::SetStoredDate(int year, int month, int day)
{
    Date shown = NearestRealDate(year, month, day);
    setDate(QDate(shown.Year, shown.Month, shown.Day));
}

Date DatePicker::StoredDate() const
{
    QDate shown = date();
    return {shown.year(), shown.month(), shown.day()};
}

}  // namespace mondeliar::app
