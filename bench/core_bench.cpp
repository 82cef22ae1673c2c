// Loading and saving the calendar files at their fullest.

#include "bench_calendar.h"

#include <benchmark/benchmark.h>

namespace mondeliar {
namespace {

using testing::RecordingMessages;
using testing::TempDir;

void NotesFileSave(benchmark::State& state)
{
    TempDir dir;
    RecordingMessages messages;
    EntryStore entries(messages);
    entries.NotesFileName = dir / "notes";
    bench::FillNotes(entries, 2002);
    for (auto _ : state)
        entries.SaveEntries();
}
BENCHMARK(NotesFileSave)->Unit(benchmark::kMillisecond);

void NotesFileLoad(benchmark::State& state)
{
    TempDir dir;
    RecordingMessages messages;
    EntryStore entries(messages);
    entries.NotesFileName = dir / "notes";
    bench::FillNotes(entries, 2002);
    entries.SaveEntries();
    for (auto _ : state) {
        entries.AllocateTable();
        entries.LoadEntries();
    }
    benchmark::DoNotOptimize(entries.CountUsedEntries());
}
BENCHMARK(NotesFileLoad)->Unit(benchmark::kMillisecond);

void RecurringFileSave(benchmark::State& state)
{
    TempDir dir;
    RecurringList list;
    bench::FillRecurring(list);
    for (auto _ : state)
        SaveRecurring(list, dir / "list.rcr");
}
BENCHMARK(RecurringFileSave)->Unit(benchmark::kMillisecond);

void RecurringFileLoad(benchmark::State& state)
{
    TempDir dir;
    RecurringList list;
    bench::FillRecurring(list);
    SaveRecurring(list, dir / "list.rcr");
    for (auto _ : state)
        LoadRecurring(list, dir / "list.rcr");
}
BENCHMARK(RecurringFileLoad)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mondeliar

BENCHMARK_MAIN();
