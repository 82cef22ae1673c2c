// Start-up of the desktop program to an idle main window, with a full calendar (1000 notes,
// 499 recurring entries), on the offscreen platform: the calendars folder, the five windows,
// the default calendar's settings, language and notes, the list, the gauge, the label and
// the bold dates, then the event loop until nothing is left to do (the first paint).

#include "app/desktop.h"
#include "app/user_dialogs.h"
#include "bench_calendar.h"

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <iostream>

namespace mondeliar {
namespace {

using testing::ReadFile;
using testing::RecordingMessages;
using testing::TempDir;
using testing::WriteFile;

const Date Launch{2002, 2, 5};

// Counts the boxes a start-up would show: a full calendar must start without any.
class CountingDialogs : public app::UserDialogs {
public:
    void ShowBox(app::BoxKind, const QString&, const QString&) override { ++Boxes; }
    bool AskYesNo(const QString&) override { return false; }
    std::optional<QColor> ChooseColor() override { return std::nullopt; }
    std::optional<QString> ChooseFontFace() override { return std::nullopt; }
    std::optional<QString> ChooseFolder(const QString&) override { return std::nullopt; }
    std::optional<QString> ChooseOpenFile(const QString&) override { return std::nullopt; }
    void OpenDocument(const QString&) override {}
    int Boxes = 0;
};

// A data folder whose default calendar is full, and a program folder with the languages.
struct FullCalendar {
    FullCalendar()
    {
        for (const char* language : {"English.lang", "French.lang"})
            WriteFile(program / language,
                      ReadFile(std::string(MONDELIAR_SOURCE_DIR) + "/resources/" + language));
        RecordingMessages messages;
        CalendarContext context(program.Path(), data.Path(), Launch, messages);
        StartUp(context);
        bench::FillNotes(context.Entries, Launch.Year);
        context.Entries.SaveEntries();
        bench::FillRecurring(context.Recurring);
        SaveRecurring(context.Recurring, context.RecurringFileName());
    }
    TempDir data;
    TempDir program;
};

std::unique_ptr<app::Desktop> StartToIdle(const FullCalendar& calendar, CountingDialogs& dialogs)
{
    auto desktop
        = app::StartDesktop(dialogs, {calendar.program.Path(), calendar.data.Path()}, Launch);
    QApplication::processEvents();
    QApplication::processEvents();
    return desktop;
}

void DesktopStartUp(benchmark::State& state)
{
    FullCalendar calendar;
    for (auto _ : state) {
        CountingDialogs dialogs;
        auto desktop = StartToIdle(calendar, dialogs);
        state.PauseTiming();
        if (dialogs.Boxes != 0)
            state.SkipWithError("start-up showed a message");
        desktop.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(DesktopStartUp)->Unit(benchmark::kMillisecond);

// The first start-up of the process, with fonts, styles and plug-ins still to load, as a
// user meets it.
void ReportFirstStartUp()
{
    FullCalendar calendar;
    CountingDialogs dialogs;
    QElapsedTimer clock;
    clock.start();
    auto desktop = StartToIdle(calendar, dialogs);
    std::cout << "First start-up to an idle main window (full calendar): " << clock.elapsed()
              << " ms" << (dialogs.Boxes == 0 ? "" : " (with a message!)") << "\n";
}

}  // namespace
}  // namespace mondeliar

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    mondeliar::ReportFirstStartUp();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
