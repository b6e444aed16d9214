// What netstat.exe costs while nothing changes, with 500 more processes of the user
// running: its time on the processor over ten seconds, as a share of one core.

#include "EngineBench.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <fstream>
#include <thread>

namespace {

using namespace orvanel;
using namespace Qt::StringLiterals;

// Nanoseconds a process spent on a processor (first field of /proc/PID/schedstat).
unsigned long long cpuNanoseconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
    unsigned long long ns = 0;
    in >> ns;
    return ns;
}

void endAll(const std::vector<pid_t>& pids)
{
    for (const pid_t pid : pids) {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
}

void BM_NetstatIdle(benchmark::State& state)
{
    const int others = int(state.range(0));
    QTemporaryDir workspace;
    QTemporaryDir home;
    bench::installEngines(workspace.path() + u'/');
    const QProcessEnvironment environment = bench::engineEnvironment(home.path(), home.path());
    std::vector<pid_t> sleepers;
    for (int i = 0; i < others; ++i)
        sleepers.push_back(bench::spawnQuiet(u"/bin/sleep"_s, {u"600"_s}, environment));
    const pid_t engine = bench::spawnQuiet(workspace.path() + u"/netstat.exe"_s, {}, environment);
    std::this_thread::sleep_for(std::chrono::seconds(3)); // its first full look is done
    constexpr auto window = std::chrono::seconds(10);
    double share = 0;
    for (auto _ : state) {
        const unsigned long long before = cpuNanoseconds(engine);
        std::this_thread::sleep_for(window);
        const unsigned long long used = cpuNanoseconds(engine) - before;
        share = 100.0 * double(used) / double(std::chrono::nanoseconds(window).count());
        state.SetIterationTime(double(used) / 1e9);
    }
    endAll({engine});
    endAll(sleepers);
    state.counters["percent_of_one_core"] = share;
    state.counters["other_processes"] = others;
}
BENCHMARK(BM_NetstatIdle)->Arg(500)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
