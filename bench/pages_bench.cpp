// The write command for a full calendar, inside the process and as a whole mondeliar-cli run.

#include "bench_calendar.h"
#include "html/write_command.h"

#include <benchmark/benchmark.h>
#include <sys/wait.h>

namespace mondeliar {
namespace {

using testing::RecordingMessages;
using testing::TempDir;
using testing::WriteFile;

const std::string Resources = std::string(MONDELIAR_SOURCE_DIR) + "/resources/";

// A working folder holding a full default calendar whose pages go to "site/".
void PrepareFullCalendar(const TempDir& dir)
{
    RecordingMessages messages;
    CalendarContext context(Resources, dir.Path(), Date{2002, 2, 5}, messages);
    StartUp(context);
    std::filesystem::create_directory(dir / "site");
    context.Settings.HTMLPATH = dir / "site/";
    SaveConfig(context.Settings, context.SettingsFileName, SaveMode::Current, Resources);
    bench::FillNotes(context.Entries, 2002);
    context.Entries.SaveEntries();
    bench::FillRecurring(context.Recurring);
    SaveRecurring(context.Recurring, context.RecurringFileName());
}

void WriteCommandFullCalendar(benchmark::State& state)
{
    TempDir dir;
    PrepareFullCalendar(dir);
    RecordingMessages messages;
    CalendarContext context(Resources, dir.Path(), Date{2002, 2, 5}, messages);
    StartUp(context);
    for (auto _ : state)
        WriteCalendarPages(context);
}
BENCHMARK(WriteCommandFullCalendar)->Unit(benchmark::kMillisecond);

void CliWriteProcess(benchmark::State& state)
{
    TempDir dir;
    PrepareFullCalendar(dir);
    std::string command = "cd '" + dir.Path() + "' && '" MONDELIAR_CLI "' --today 2002-02-05 write";
    for (auto _ : state) {
        int status = std::system(command.c_str());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("mondeliar-cli write failed");
    }
}
BENCHMARK(CliWriteProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace mondeliar

BENCHMARK_MAIN();
