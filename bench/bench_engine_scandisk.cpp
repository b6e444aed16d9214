// scandisk.exe's step 2 against `find -type f -printf '%s'` over the same home of 100,000
// files of distinct sizes (sparse files: their sizes cost no disk). The recorded folder
// holds 20 files whose sizes occur in the tree: ten are copies, ten only share the size.

#include "EngineBench.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace orvanel;
using namespace Qt::StringLiterals;

struct SearchTree
{
    QTemporaryDir root;
    QTemporaryDir workspace;
    QString home;
    double findSeconds = 0;
};

constexpr int kFiles = 100000;

long long sizeOf(int i)
{
    return 1 + (static_cast<long long>(i) * 7919) % 5000000; // distinct for every i below 5,000,000
}

bool makeSparse(const QString& path, long long size)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool ok = fd >= 0 && ::ftruncate(fd, size) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

SearchTree& tree()
{
    static std::unique_ptr<SearchTree> made;
    if (made)
        return *made;
    made = std::make_unique<SearchTree>();
    made->home = made->root.path() + u"/home"_s;
    for (int i = 0; i < kFiles; ++i) {
        const QString folder = made->home + u"/f%1/g%2"_s.arg(i % 100).arg(i % 10);
        if (i < 1000)
            QDir().mkpath(folder);
        makeSparse(folder + u"/file%1"_s.arg(i), sizeOf(i));
    }
    const QString chosen = made->home + u"/chosen"_s;
    QDir().mkpath(chosen);
    for (int i = 0; i < 20; ++i) {
        const int twin = i * 4999;
        if (i < 10) {
            makeSparse(chosen + u"/copy%1"_s.arg(i), sizeOf(twin));
        } else {
            QFile file(chosen + u"/other%1"_s.arg(i));
            file.open(QIODevice::WriteOnly);
            file.write(QByteArray(qsizetype(sizeOf(twin)), 'x'));
        }
    }
    const QString dir = made->workspace.path() + u'/';
    bench::installEngines(dir);
    const auto environment = bench::engineEnvironment(made->home, made->home);
    bench::runTimed(dir + u"scandisk.exe"_s, {u"1"_s, chosen}, environment);
    return *made;
}

void BM_Find(benchmark::State& state)
{
    SearchTree& t = tree();
    const QStringList arguments{t.home, u"-type"_s, u"f"_s, u"-printf"_s, u"%s"_s};
    bench::runTimed(u"/usr/bin/find"_s, arguments, QProcessEnvironment()); // warm
    for (auto _ : state) {
        t.findSeconds = bench::runTimed(u"/usr/bin/find"_s, arguments,
                                        QProcessEnvironment::systemEnvironment());
        state.SetIterationTime(t.findSeconds);
    }
    state.counters["files"] = kFiles;
}
BENCHMARK(BM_Find)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ScandiskStep2(benchmark::State& state)
{
    SearchTree& t = tree();
    const QString program = t.workspace.path() + u"/scandisk.exe"_s;
    const auto environment = bench::engineEnvironment(t.home, t.home);
    double seconds = 0;
    for (auto _ : state) {
        seconds = bench::runTimed(program, {u"2"_s}, environment);
        state.SetIterationTime(seconds);
    }
    QFile list(t.workspace.path() + u"/liste2.txt"_s);
    list.open(QIODevice::ReadOnly);
    state.counters["copies_listed"] = double(list.readAll().count('\n'));
    if (t.findSeconds > 0)
        state.counters["times_find"] = seconds / t.findSeconds;
}
BENCHMARK(BM_ScandiskStep2)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
