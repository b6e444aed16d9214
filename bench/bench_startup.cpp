// How long the main window takes from its construction on a fresh workspace to its first
// paint, against a plain window of the same size painted in the same run, and how much
// resident memory each adds. The process list is the machine's own, read but never
// touched: ending an engine answers no and starting one starts nothing.

#include "app/MainWindow.h"
#include "platform/linux/FlockProbe.h"
#include "platform/linux/LinuxProcessTable.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>

using namespace orvanel;

namespace {

class ReadOnlyProcessTable final : public platform::ProcessTable
{
public:
    std::vector<platform::ProcessInfo> snapshot() const override { return m_inner.snapshot(); }
    bool isRunning(QStringView name) const override { return m_inner.isRunning(name); }
    bool terminate(qint64) override { return false; }
    std::optional<qint64> residentBytes(qint64 pid) const override
    {
        return m_inner.residentBytes(pid);
    }

private:
    platform::LinuxProcessTable m_inner;
};

struct NoSpawner final : platform::Spawner
{
    bool spawn(const QString&, const QStringList&) override { return true; }
};
struct SilentPrompt final : platform::Prompt
{
    bool askYesNo(const QString&) override { return false; }
    void showError(const QString&) override {}
};
struct FixedClock final : platform::Clock
{
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 8), QTime(10, 0)); }
    QString longTimeText() const override { return QStringLiteral("10:00:00"); }
};
struct NoUrls final : platform::UrlOpener
{
    int open(const QString&) override { return Success; }
};
struct Tray final : platform::SystemTray
{
    bool isAvailable() const override { return true; }
};

struct BenchPlatform
{
    ReadOnlyProcessTable processes;
    NoSpawner spawner;
    platform::FlockProbe probe;
    SilentPrompt prompt;
    FixedClock clock;
    NoUrls urls;
    Tray tray;

    platform::Services services()
    {
        platform::Services s;
        s.processes = &processes;
        s.spawner = &spawner;
        s.probe = &probe;
        s.prompt = &prompt;
        s.clock = &clock;
        s.urls = &urls;
        s.tray = &tray;
        return s;
    }
};

// Resident set size of this process, in kB.
long residentKb()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
    }
    return 0;
}

// Sees the first paint event of one widget.
class FirstPaint final : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

void waitForPaint(const FirstPaint& probe)
{
    while (!probe.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

QString freshWorkspace(QTemporaryDir& dir)
{
    const QString path = QDir(dir.path()).canonicalPath() + QLatin1Char('/');
    const QDir data(QStringLiteral(ORVANEL_DATA_DIR));
    for (const QString& name : data.entryList({QStringLiteral("kentro_*.txt")}, QDir::Files))
        QFile::copy(data.filePath(name), path + name);
    return path;
}

void BM_MainWindowFirstPaint(benchmark::State& state)
{
    BenchPlatform platform;
    long rssDelta = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const QString workspace = freshWorkspace(dir);
        const long before = residentKb();
        state.ResumeTiming();

        QElapsedTimer clock;
        clock.start();
        FirstPaint probe;
        auto window = std::make_unique<MainWindow>(workspace, platform.services());
        window->installEventFilter(&probe);
        if (!window->FormCreate())
            state.SkipWithError("the main window could not prepare its workspace");
        waitForPaint(probe);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);

        state.PauseTiming();
        rssDelta = std::max(rssDelta, residentKb() - before);
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    // The first window of a run pays for fonts, styles and caches; later ones reuse them.
    state.counters["rss_added_kB"] = double(rssDelta);
    state.counters["rss_kB"] = double(residentKb());
}

void BM_PlainWindowFirstPaint(benchmark::State& state)
{
    long rssDelta = 0;
    for (auto _ : state) {
        const long before = residentKb();
        QElapsedTimer clock;
        clock.start();
        FirstPaint probe;
        auto window = std::make_unique<QWidget>();
        window->installEventFilter(&probe);
        window->resize(784, 481);
        window->show();
        waitForPaint(probe);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);

        state.PauseTiming();
        rssDelta = std::max(rssDelta, residentKb() - before);
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    // The first window of a run pays for fonts, styles and caches; later ones reuse them.
    state.counters["rss_added_kB"] = double(rssDelta);
    state.counters["rss_kB"] = double(residentKb());
}

// The plain window first, so that it pays the first window's one-time costs (fonts, style,
// backing store) and the main window's figures are its own.
BENCHMARK(BM_PlainWindowFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_MainWindowFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
