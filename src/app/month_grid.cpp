#include "app/month_grid.h"

#include "app/text_convert.h"
#include "store/entry_store.h"

#include <QEvent>
#include <QTextCharFormat>

namespace mondeliar::app {

namespace {

// A pale amber behind the dates that hold notes, so they stand out beside the bold face;
// the day numbers keep their colours on it.
const QColor NoteDateBackground(0xFF, 0xF1, 0xC4);

QDate ToQDate(const Date& date)
{
    return QDate(date.Year, date.Month, date.Day);
}

// The tooltip of a date: its notes as the pages show them (a note may hold HTML).
QString NotesTooltip(const CalendarEntry& entry)
{
    QStringList notes;
    for (const std::string& note : entry.Notes)
        if (!note.empty())
            notes << FromWindows1252(note);
    if (notes.isEmpty())
        return {};
    return "<qt>" + notes.join("<br>") + "</qt>";
}

}  // namespace

MonthGrid::MonthGrid(QWidget* parent) : QCalendarWidget(parent)
{
    setNavigationBarVisible(false);
    setVerticalHeaderFormat(NoVerticalHeader);
    setHorizontalHeaderFormat(ShortDayNames);
    setGridVisible(true);
    QFont gridFont = font();
    gridFont.setPixelSize(16);
    setFont(gridFont);
}

Date MonthGrid::SelectedDate() const
{
    QDate date = selectedDate();
    return {date.year(), date.month(), date.day()};
}

void MonthGrid::ShowDate(const Date& date)
{
    QDate shown = ToQDate(date);
    if (!shown.isValid())
        return;
    setSelectedDate(shown);
    setCurrentPage(shown.year(), shown.month());
}

void MonthGrid::StepMonth(int months)
{
    QDate stepped = selectedDate().addMonths(months);
    setSelectedDate(stepped);
    setCurrentPage(stepped.year(), stepped.month());
}

void MonthGrid::SetFirstDayOfWeek(int startWeek)
{
    int day = ((startWeek % 7) + 7) % 7;
    setFirstDayOfWeek(day == 0 ? Qt::Sunday : static_cast<Qt::DayOfWeek>(day));
}

void MonthGrid::changeEvent(QEvent* event)
{
    QCalendarWidget::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    QColor weekend
        = isEnabled() ? QColor(Qt::red) : palette().color(QPalette::Disabled, QPalette::Text);
    for (Qt::DayOfWeek day : {Qt::Saturday, Qt::Sunday}) {
        QTextCharFormat format = weekdayTextFormat(day);
        format.setForeground(weekend);
        setWeekdayTextFormat(day, format);
    }
}

void MonthGrid::MarkNoteDates(const EntryStore& entries)
{
    setDateTextFormat(QDate(), QTextCharFormat());
    for (int k = 1; k <= MaxEntries; ++k) {
        const CalendarEntry& entry = entries.Slot(k);
        QDate date(entry.Year, entry.Month, entry.Day);
        if (entry.IsFree() || !date.isValid())
            continue;
        QTextCharFormat marked = dateTextFormat(date);
        if (marked.fontWeight() == QFont::Bold)
            continue;  // a later record of the same date; the first one is the date's
        marked.setFontWeight(QFont::Bold);
        marked.setBackground(NoteDateBackground);
        marked.setToolTip(NotesTooltip(entry));
        setDateTextFormat(date, marked);
    }
}

}  // namespace mondeliar::app
