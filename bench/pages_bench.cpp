// The write command for a full calendar, inside the process and as a whole mondeliar-cli run,
// against Debian's pcal writing a year as HTML and in the modern page style against the
// classic one; and the memory a write takes beside an extra HTML file of nothing but line
// ends.

#include "bench_calendar.h"
#include "html/write_command.h"
#include "run_process.h"

#include <benchmark/benchmark.h>

namespace mondeliar {
namespace {

using bench::ProcessRun;
using bench::RunProcess;
using testing::RecordingMessages;
using testing::TempDir;
using testing::WriteFile;

const std::string Resources = std::string(MONDELIAR_SOURCE_DIR) + "/resources/";
const char* const Pcal = "/usr/bin/pcal";

// A working folder holding a full default calendar whose pages go to "site/", in the page
// style given.
void PrepareFullCalendar(const TempDir& dir, int pageStyle = 0)
{
    RecordingMessages messages;
    CalendarContext context(Resources, dir.Path(), Date{2002, 2, 5}, messages);
    StartUp(context);
    std::filesystem::create_directory(dir / "site");
    context.Settings.HTMLPATH = dir / "site/";
    context.Settings.PAGESTYLE = static_cast<std::uint8_t>(pageStyle);
    SaveConfig(context.Settings, context.SettingsFileName, SaveMode::Current, Resources);
    bench::FillNotes(context.Entries, 2002);
    context.Entries.SaveEntries();
    bench::FillRecurring(context.Recurring);
    SaveRecurring(context.Recurring, context.RecurringFileName());
}

std::vector<std::string> CliWrite()
{
    return {MONDELIAR_CLI, "--today", "2002-02-05", "write"};
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

// mondeliar-cli writing the full calendar's fourteen pages and pcal writing one year as one
// HTML page, each a whole process, taken in turns so that both meet the same machine. pcal
// reads an empty date file, and its page lands in the same folder as the calendar's.
void CliWriteAgainstPcal(benchmark::State& state)
{
    if (::access(Pcal, X_OK) != 0) {
        state.SkipWithError("pcal is not installed (scripts/install-deps.sh installs it)");
        return;
    }
    TempDir dir;
    PrepareFullCalendar(dir);
    WriteFile(dir / "empty.cal", "");
    std::vector<std::string> pcal = {Pcal, "-H", "-f", dir / "empty.cal", "2002"};
    double cliSeconds = 0;
    double pcalSeconds = 0;
    for (auto _ : state) {
        ProcessRun year = RunProcess(pcal, dir.Path(), dir / "site/pcal.html");
        ProcessRun pages = RunProcess(CliWrite(), dir.Path());
        if (!year.succeeded || !pages.succeeded) {
            state.SkipWithError(year.succeeded ? "mondeliar-cli write failed" : "pcal failed");
            return;
        }
        pcalSeconds += year.seconds;
        cliSeconds += pages.seconds;
    }
    double runs = static_cast<double>(state.iterations());
    state.counters["cli_ms"] = cliSeconds / runs * 1000;
    state.counters["pcal_ms"] = pcalSeconds / runs * 1000;
    state.counters["cli_per_pcal"] = cliSeconds / pcalSeconds;
}
BENCHMARK(CliWriteAgainstPcal)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// mondeliar-cli writing the full calendar in the modern style and in the classic style, each
// a whole process, taken in turns; with the size of the fourteen pages of each.
void CliWriteModernAgainstClassic(benchmark::State& state)
{
    TempDir classic;
    TempDir modern;
    PrepareFullCalendar(classic, 0);
    PrepareFullCalendar(modern, 1);
    double seconds[2] = {0, 0};
    for (auto _ : state) {
        ProcessRun runs[2] = {RunProcess(CliWrite(), classic.Path()),
                              RunProcess(CliWrite(), modern.Path())};
        if (!runs[0].succeeded || !runs[1].succeeded) {
            state.SkipWithError("mondeliar-cli write failed");
            return;
        }
        for (int style : {0, 1})
            seconds[style] += runs[style].seconds;
    }
    auto pageBytes = [](const TempDir& dir) {
        std::uintmax_t bytes = 0;
        for (const auto& page : std::filesystem::directory_iterator(dir / "site"))
            bytes += page.file_size();
        return static_cast<double>(bytes);
    };
    double runs = static_cast<double>(state.iterations());
    state.counters["classic_ms"] = seconds[0] / runs * 1000;
    state.counters["modern_ms"] = seconds[1] / runs * 1000;
    state.counters["modern_per_classic"] = seconds[1] / seconds[0];
    state.counters["classic_KiB"] = pageBytes(classic) / 1024;
    state.counters["modern_KiB"] = pageBytes(modern) / 1024;
}
BENCHMARK(CliWriteModernAgainstClassic)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// A pagetrim.header of 15 MiB of line ends, under the size limit, beside the full calendar:
// the peak memory of the whole process shows what the text costs.
void CliWriteBesideManyEmptyLines(benchmark::State& state)
{
    TempDir dir;
    PrepareFullCalendar(dir);
    WriteFile(dir / "pagetrim.header", std::string(15 * 1024 * 1024, '\n'));
    long peakRssKiB = 0;
    for (auto _ : state) {
        ProcessRun run = RunProcess(CliWrite(), dir.Path());
        if (!run.succeeded) {
            state.SkipWithError("mondeliar-cli write failed");
            return;
        }
        peakRssKiB = std::max(peakRssKiB, run.peakRssKiB);
    }
    state.counters["peak_rss_MiB"] = static_cast<double>(peakRssKiB) / 1024;
}
BENCHMARK(CliWriteBesideManyEmptyLines)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace mondeliar

BENCHMARK_MAIN();
