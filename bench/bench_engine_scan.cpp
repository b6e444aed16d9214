// The scan engine against clamscan: a full scan of the same tree of ordinary files with
// the same databases (our signature file, and ClamAV's system databases when the machine
// has them), and the time it takes to load the engine with our signature file alone.
//
// ORVANEL_BENCH_SCAN_MB sets the size of the tree (1024 MB by default).

#include "EngineBench.h"

#include "protect/ClamEngine.h"

#include <benchmark/benchmark.h>

#include <QDirIterator>

#include <cstdio>
#include <memory>

namespace {

using namespace orvanel;
using namespace Qt::StringLiterals;

struct ScanTree
{
    QTemporaryDir root;
    QTemporaryDir workspace;
    QTemporaryDir noDatabases;
    QString home;
    QString systemDatabases; // ClamAV's folder when it holds databases, else an empty one
    unsigned long long bytes = 0;
    double clamscanSeconds = 0;
};

// Text lines, random bytes and half-compressible blocks in files of 4 KB to 4 MB.
void writeOrdinaryFile(const QString& path, std::size_t size, int kind, uint64_t& seed)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QByteArray block(64 * 1024, '\0');
    for (std::size_t done = 0; done < size; done += std::size_t(block.size())) {
        for (qsizetype i = 0; i < block.size(); i += 8) {
            seed ^= seed << 13;
            seed ^= seed >> 7;
            seed ^= seed << 17;
            const uint64_t word = kind == 0 ? 0x2065726f6d206e41ull + (seed & 0x0f0f) : seed;
            std::memcpy(block.data() + i, &word, 8);
            if (kind == 0 && (seed & 7) == 0)
                block[i] = '\n';
            if (kind == 2 && (seed & 1))
                std::memset(block.data() + i, 'z', 8);
        }
        file.write(block.constData(), qint64(std::min<std::size_t>(block.size(), size - done)));
    }
}

ScanTree& tree()
{
    static std::unique_ptr<ScanTree> made;
    if (made)
        return *made;
    made = std::make_unique<ScanTree>();
    made->home = made->root.path() + u"/home"_s;
    const unsigned long long wanted =
        qEnvironmentVariableIntValue("ORVANEL_BENCH_SCAN_MB") > 0
            ? qEnvironmentVariableIntValue("ORVANEL_BENCH_SCAN_MB") * 1000000ull
            : 1024ull * 1000000ull;
    const std::size_t sizes[] = {4096, 20000, 150000, 700000, 4000000};
    uint64_t seed = 0x9e3779b97f4a7c15ull;
    for (int i = 0; made->bytes < wanted; ++i) {
        const QString folder = made->home + u"/d%1/e%2"_s.arg(i % 20).arg(i % 7);
        QDir().mkpath(folder);
        const std::size_t size = sizes[i % 5];
        writeOrdinaryFile(folder + u"/f%1.dat"_s.arg(i), size, i % 3, seed);
        made->bytes += size;
    }
    const bool systemHasDatabases =
        orvanel::engines::databaseFiles(u"/var/lib/clamav"_s, {}, {}).size() > 0;
    made->systemDatabases = systemHasDatabases ? u"/var/lib/clamav"_s : made->noDatabases.path();
    bench::installEngines(made->workspace.path() + u'/');
    return *made;
}

void BM_FullScan_Clamscan(benchmark::State& state)
{
    const QString clamscan = QStandardPaths::findExecutable(u"clamscan"_s);
    if (clamscan.isEmpty()) {
        state.SkipWithError("clamscan is not installed (package clamav): no comparison");
        return;
    }
    ScanTree& t = tree();
    QStringList arguments{u"-r"_s, u"--no-summary"_s, u"-d"_s,
                          QStringLiteral(ORVANEL_SIGNATURE_FILE)};
    if (t.systemDatabases == u"/var/lib/clamav"_s)
        arguments << u"-d"_s << t.systemDatabases;
    for (auto _ : state) {
        const double seconds = bench::runTimed(clamscan, arguments + QStringList{t.home},
                                               QProcessEnvironment::systemEnvironment());
        state.SetIterationTime(seconds);
        t.clamscanSeconds = seconds;
    }
    state.SetBytesProcessed(int64_t(t.bytes) * state.iterations());
}
BENCHMARK(BM_FullScan_Clamscan)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_FullScan_Engine(benchmark::State& state)
{
    ScanTree& t = tree();
    double seconds = 0;
    for (auto _ : state) {
        seconds = bench::runTimed(t.workspace.path() + u"/scanwapper.exe"_s, {u"1"_s},
                                  bench::engineEnvironment(t.home, t.systemDatabases));
        state.SetIterationTime(seconds);
    }
    state.SetBytesProcessed(int64_t(t.bytes) * state.iterations());
    if (t.clamscanSeconds > 0)
        state.counters["times_clamscan_speed"] = t.clamscanSeconds / seconds;
}
BENCHMARK(BM_FullScan_Engine)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_EngineLoad_OwnSignatures(benchmark::State& state)
{
    QString error;
    // The library's own start-up, once per process, is counted in the first load only.
    engines::ClamEngine::load({QStringLiteral(ORVANEL_SIGNATURE_FILE)}, &error);
    for (auto _ : state) {
        auto engine = engines::ClamEngine::load({QStringLiteral(ORVANEL_SIGNATURE_FILE)}, &error);
        if (!engine)
            state.SkipWithError(qPrintable(error));
        benchmark::DoNotOptimize(engine);
    }
}
BENCHMARK(BM_EngineLoad_OwnSignatures)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
