#include "app/desktop_fixture.h"

#include "app/month_grid.h"
#include "store/calendar_entry.h"

#include <QAbstractItemView>
#include <QLabel>

#include <filesystem>

namespace mondeliar::app::testing {

using mondeliar::testing::ReadFile;
using mondeliar::testing::WriteFile;

DesktopTest::DesktopTest()
{
    for (const char* language : {"English.lang", "French.lang"})
        WriteFile(program / language,
                  ReadFile(std::string(MONDELIAR_SOURCE_DIR) + "/resources/" + language));
}

DesktopTest::~DesktopTest()
{
    desktop.reset();
}

void DesktopTest::Start(Date today)
{
    desktop = StartDesktop(dialogs, {program.Path(), data.Path()}, today);
    ASSERT_NE(desktop, nullptr);
    Main().OnTerminate = [this] { ++terminations; };
    Main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Main()));
}

void DesktopTest::TypeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, static_cast<char>(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void DesktopTest::Click(QWidget& window, const char* button)
{
    auto* control = Control<QAbstractButton>(window, button);
    if (control)
        QTest::mouseClick(control, Qt::LeftButton);
}

void DesktopTest::DoubleClickDate(const Date& date)
{
    auto* grid = Control<MonthGrid>(Main(), "Calendar1");
    grid->ShowDate(date);
    auto* view = grid->findChild<QAbstractItemView*>();
    ASSERT_NE(view, nullptr);
    // The selected cell is the current one of the grid's view.
    QRect cell = view->visualRect(view->currentIndex());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

Date DesktopTest::GridDate()
{
    return Control<MonthGrid>(Main(), "Calendar1")->SelectedDate();
}

QString DesktopTest::DateLabel()
{
    return Control<QLabel>(Main(), "LabelDate")->text();
}

void DesktopTest::WriteNotes(const std::string& calendar,
                             const std::vector<std::tuple<int, int, int, std::string>>& records)
{
    std::filesystem::create_directories(data / "calendars");
    std::string file;
    for (const auto& [month, day, year, note] : records) {
        CalendarEntry entry;
        entry.Month = month;
        entry.Day = day;
        entry.Year = year;
        entry.Notes[0] = note;
        file += FormatEntryLine(entry) + "\r\n";
    }
    WriteFile(data / ("calendars/" + calendar), file);
}

void DesktopTest::SetSettings(const std::string& lines, const std::string& calendar)
{
    std::filesystem::create_directories(data / "calendars");
    std::string path = data / ("calendars/" + calendar + ".cfg");
    if (!std::filesystem::exists(path)) {
        CalendarSettings defaults;
        SaveConfig(defaults, path, SaveMode::Defaults, program.Path());
    }
    WriteFile(path, ReadFile(path) + lines);
}

void DesktopTest::CreateCalendar(const std::string& name, const std::string& settings)
{
    std::filesystem::create_directories(data / "calendars");
    if (!std::filesystem::exists(data / ("calendars/" + name)))
        WriteFile(data / ("calendars/" + name), "");
    WriteFile(data / ("calendars/" + name + ".rcr"), "");
    SetSettings(settings, name);
}

}  // namespace mondeliar::app::testing
