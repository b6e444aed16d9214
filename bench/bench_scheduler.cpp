// The cost of one scheduler tick against the cost of the process walks it takes. The
// ticks run over the machine's real process list; the spawner starts nothing, so the
// engines never appear and every tick takes its longest road at its alert level.

#include "WindowBench.h"
#include "panel/Scheduler.h"
#include "platform/linux/FlockProbe.h"
#include "platform/linux/LinuxProcessTable.h"
#include "workspace/EngineControl.h"
#include "workspace/PanelState.h"
#include "workspace/TableFiles.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>

using namespace orvanel;

namespace {

// Counts the walks of the process list the scheduler asks for.
class CountingProcessTable final : public platform::ProcessTable
{
public:
    std::vector<platform::ProcessInfo> snapshot() const override
    {
        ++walks;
        auto processes = m_inner.snapshot();
        for (const QString& name : resident)
            processes.push_back({name, 0});
        return processes;
    }
    bool isRunning(QStringView name) const override
    {
        ++walks;
        for (const QString& r : resident)
            if (name.compare(r, Qt::CaseInsensitive) == 0)
                return true;
        return m_inner.isRunning(name);
    }

    // The made-up engines (process id 0) count as the user's own.
    bool isOwn(qint64 pid) const override { return pid == 0 || m_inner.isOwn(pid); }
    QString programPath(qint64 pid) const override { return m_inner.programPath(pid); }

    // Engines that the bench makes look running, with no process behind them.
    QStringList resident;
    bool terminate(qint64) override { return false; } // the bench ends nothing
    std::optional<qint64> residentBytes(qint64 pid) const override
    {
        return m_inner.residentBytes(pid);
    }

    mutable long walks = 0;

private:
    platform::LinuxProcessTable m_inner;
};

class FixedLookup final : public platform::HostLookup
{
public:
    platform::HostLookupResult lookup() const override
    {
        return {true, QStringLiteral("benchhost"), QStringLiteral("192.0.2.1"), {}};
    }
};

// A clock one minute further at every reading, so that the minute changes at every tick;
// or, when steady, always in the same minute, as in most ticks of an idle panel.
class RacingClock final : public platform::Clock
{
public:
    QDateTime now() const override { return {}; }
    QString longTimeText() const override
    {
        const int minute = steady ? 10 : m_minute++ % 60;
        return QStringLiteral("10:%1:00").arg(minute, 2, 10, QLatin1Char('0'));
    }

    bool steady = false;

private:
    mutable int m_minute = 0;
};

struct Bench
{
    Bench()
        : engines(dir.path() + QLatin1Char('/'), processes, spawner, probe),
          tables(dir.path() + QLatin1Char('/'), engines, [this] { return state.alertLevel; })
    {
        tables.create(TableId::Quarantine);
        tables.use(TableId::Quarantine, [](Table& table) {
            for (int i = 0; i < 10; ++i) {
                table.insert();
                table.setValue(u"Champ1", QStringLiteral("quarantined%1.exe").arg(i));
                table.post();
            }
            return true;
        });
        services.processes = &processes;
        services.spawner = &spawner;
        services.probe = &probe;
        services.hostLookup = &lookup;
        services.clock = &clock;
        scheduler = std::make_unique<Scheduler>(state, engines, tables, services);
    }

    QTemporaryDir dir;
    CountingProcessTable processes;
    bench::NoSpawner spawner;
    platform::FlockProbe probe;
    FixedLookup lookup;
    RacingClock clock;
    PanelState state;
    EngineControl engines;
    TableFiles tables;
    platform::Services services;
    std::unique_ptr<Scheduler> scheduler;
};

void BM_SchedulerTick(benchmark::State& run)
{
    Bench bench;
    bench.state.alertLevel = int(run.range(0));
    bench.scheduler->tick(); // the first tick has no earlier minute
    bench.processes.walks = 0;
    for (auto _ : run)
        bench.scheduler->tick();
    run.counters["walks_per_tick"] =
        benchmark::Counter(double(bench.processes.walks) / double(run.iterations()));
    run.counters["processes"] = double(platform::LinuxProcessTable().snapshot().size());
}
BENCHMARK(BM_SchedulerTick)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

// The idle panel: the resident engines run, the minute does not change, nothing starts.
void BM_IdleTick(benchmark::State& run)
{
    Bench bench;
    bench.state.alertLevel = int(run.range(0));
    bench.clock.steady = true;
    bench.processes.resident = {QStringLiteral("pngi.exe"), QStringLiteral("tempsreel.exe")};
    bench.scheduler->tick();
    bench.processes.walks = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : run)
        bench.scheduler->tick();
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    run.counters["walks_per_tick"] =
        benchmark::Counter(double(bench.processes.walks) / double(run.iterations()));
    run.counters["processes"] = double(platform::LinuxProcessTable().snapshot().size());
    // Share of one core the scheduler takes at one tick every 1.5 s.
    run.counters["core_pct"] = spent.count() / double(run.iterations()) / 1.5 * 100.0;
}
BENCHMARK(BM_IdleTick)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_ProcessSnapshot(benchmark::State& run)
{
    platform::LinuxProcessTable processes;
    size_t count = 0;
    for (auto _ : run) {
        auto snapshot = processes.snapshot();
        count = snapshot.size();
        benchmark::DoNotOptimize(snapshot);
    }
    run.counters["processes"] = double(count);
}
BENCHMARK(BM_ProcessSnapshot)->Unit(benchmark::kMicrosecond);

void BM_RunningTestOfAnAbsentName(benchmark::State& run)
{
    platform::LinuxProcessTable processes;
    for (auto _ : run)
        benchmark::DoNotOptimize(processes.isRunning(u"netpro.exe"));
}
BENCHMARK(BM_RunningTestOfAnAbsentName)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
