// File scrambling of a 256 MB file against `cp` of the same file on the same disk, side by
// side. The scrambled copy must stay within twice the time of the plain copy.
//
//   bench_scrambling            the benchmarks; the folder is a temporary one beside the
//                               build (ORVANEL_BENCH_DIR chooses another disk)
#include "workspace/FileScrambling.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace Qt::StringLiterals;

constexpr qint64 kFileSize = qint64(256) << 20;

// One folder for every run, so that both copies read and write the same disk.
class BenchFiles
{
public:
    BenchFiles() : m_dir(baseDir() + u"/orvanel-scramble-XXXXXX"_s)
    {
        QFile file(source());
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        // Random bytes: nothing a copy could skip or compress.
        std::mt19937_64 random(42);
        std::vector<quint64> block((1 << 20) / sizeof(quint64));
        for (qint64 written = 0; written < kFileSize; written += 1 << 20) {
            for (quint64& word : block)
                word = random();
            file.write(reinterpret_cast<const char*>(block.data()), 1 << 20);
        }
        // On the disk before anything is timed: neither copy pays for its write-back.
        file.flush();
        ::fsync(file.handle());
    }

    QString source() const { return m_dir.filePath(u"source.bin"_s); }
    QString destination() const { return m_dir.filePath(u"destination.bin"_s); }

private:
    static QString baseDir()
    {
        const QByteArray chosen = qgetenv("ORVANEL_BENCH_DIR");
        return chosen.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(chosen);
    }

    QTemporaryDir m_dir;
};

// cp itself, spawned directly and waited for.
bool runCp(const QString& from, const QString& to)
{
    QByteArray a = QFile::encodeName(from);
    QByteArray b = QFile::encodeName(to);
    char cp[] = "cp";
    char* argv[] = {cp, a.data(), b.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "cp", nullptr, nullptr, argv, environ) != 0)
        return false;
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

BenchFiles& files()
{
    static BenchFiles instance;
    return instance;
}

void BM_CopyWithCp(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(files().destination());
        state.ResumeTiming();
        if (!runCp(files().source(), files().destination()))
            state.SkipWithError("cp failed");
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}

void BM_Scramble(benchmark::State& state)
{
    const orvanel::scrambling::CryptOpt opt{files().source(), files().destination(), 640};
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(files().destination());
        state.ResumeTiming();
        if (!orvanel::scrambling::scrambleFile(opt, orvanel::scrambling::Mode::Add))
            state.SkipWithError("scrambling failed");
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}

// The two take turns, so that neither gets the quieter moments of the machine.
BENCHMARK(BM_CopyWithCp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Scramble)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CopyWithCp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Scramble)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
