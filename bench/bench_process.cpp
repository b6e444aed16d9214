// The cost of the process walks behind the running test and the process snapshot, which
// the scheduler takes several times on every 1500 ms tick, over the machine's real
// process list.

#include "platform/linux/LinuxProcessTable.h"

#include <benchmark/benchmark.h>

using orvanel::platform::LinuxProcessTable;

namespace {

void BM_Snapshot(benchmark::State& state)
{
    const LinuxProcessTable table;
    std::size_t processes = 0;
    for (auto _ : state) {
        auto list = table.snapshot();
        processes = list.size();
        benchmark::DoNotOptimize(list);
    }
    state.counters["processes"] = double(processes);
}
BENCHMARK(BM_Snapshot);

// A name nobody runs: the walk goes through the whole list, as for an engine that is
// not running.
void BM_IsRunningMissing(benchmark::State& state)
{
    const LinuxProcessTable table;
    for (auto _ : state)
        benchmark::DoNotOptimize(table.isRunning(u"no-such-engine.exe"));
    state.counters["processes"] = double(table.snapshot().size());
}
BENCHMARK(BM_IsRunningMissing);

// The first process of the walk: the test stops at once.
void BM_IsRunningFirst(benchmark::State& state)
{
    const LinuxProcessTable table;
    const auto list = table.snapshot();
    if (list.empty()) {
        state.SkipWithError("no process listed");
        return;
    }
    const QString first = list.front().name;
    for (auto _ : state)
        benchmark::DoNotOptimize(table.isRunning(first));
}
BENCHMARK(BM_IsRunningFirst);

} // namespace

BENCHMARK_MAIN();
