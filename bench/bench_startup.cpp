// Start-up to first paint: a fresh process that builds the main window on a fresh
// workspace, against a fresh process of a minimal Qt Widgets program that shows one plain
// window and one that shows a line of text, measured in the same run from the moment each process
// is spawned to its first paint, with the resident memory of each at that moment. The panel's
// process list is the machine's own, read but never touched: ending an engine answers no and
// starting one starts nothing. A second measure is what the resident panel holds once a
// person has opened every page twice.

#include "Median.h"
#include "WindowBench.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "pages/PageRegistry.h"
#include "platform/gui/FontConfiguration.h"
#include "platform/gui/LinuxPlatform.h"
#include "platform/linux/FlockProbe.h"
#include "platform/linux/LinuxProcessTable.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

using namespace orvanel;

namespace {

class ReadOnlyProcessTable final : public platform::ProcessTable
{
public:
    std::vector<platform::ProcessInfo> snapshot() const override { return m_inner.snapshot(); }
    bool isRunning(QStringView name) const override { return m_inner.isRunning(name); }
    bool isOwn(qint64 pid) const override { return m_inner.isOwn(pid); }
    QString programPath(qint64 pid) const override { return m_inner.programPath(pid); }
    bool terminate(qint64) override { return false; }
    std::optional<qint64> residentBytes(qint64 pid) const override
    {
        return m_inner.residentBytes(pid);
    }

private:
    platform::LinuxProcessTable m_inner;
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
    Q_OBJECT

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

long monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return long(t.tv_sec) * 1000000000L + t.tv_nsec;
}

// Every page of the category list opened from it in turn, twice, each given its turns of
// the event loop; then the event loop runs on for as long as the window waits before it
// hands the memory of torn-down pages back.
void openEveryPage(MainWindow& window)
{
    auto* list = window.findChild<QListWidget*>(QStringLiteral("ListBox1"));
    for (int round = 0; round < 2; ++round) {
        for (const PageEntry& entry : pageTable()) {
            if (!entry.factory || entry.listPosition == PageEntry::NotListed)
                continue;
            list->setCurrentRow(entry.listPosition);
            window.ListBox1Click();
            for (int turn = 0; turn < 5; ++turn)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    }
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 1500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// The child's side: show the window, and at its first paint print the clock and the
// resident size, then end. "plain" is the minimal program's blank window, "text" the same
// window showing one line of text in Qt's default font, "main" the panel; "pages" is the
// panel with the desktop's own services, which after its first paint opens every page and
// prints its resident size once more.
int runChild(const std::string& kind, const std::string& workspace)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool panel = kind == "main" || kind == "pages";
    if (kind == "pages") {
        // The pages list the user's folders: a home of its own in the temporary workspace.
        const QByteArray home = QByteArray::fromStdString(workspace) + "home";
        QDir().mkpath(QString::fromUtf8(home + "/Downloads"));
        qputenv("HOME", home);
        qputenv("XDG_CONFIG_HOME", home + "/.config");
        qputenv("XDG_DATA_HOME", home + "/.local/share");
        qputenv("XDG_CACHE_HOME", home + "/.cache");
    }
    int argc = 1;
    char name[] = "bench_startup";
    char* argv[] = {name, nullptr};
    // The panel's start loads the font configuration before the application.
    if (panel)
        platform::loadFontConfiguration();
    QApplication app(argc, argv);
    FirstPaint probe;
    ReadOnlyProcessTable processes;
    bench::WindowDoubles doubles;
    std::unique_ptr<platform::LinuxPlatform> desktop;
    std::unique_ptr<QWidget> window;
    if (panel) {
        // The panel's style, font, translations and icon, as the program's start sets them.
        startup::prepareLook(app);
        platform::Services services = doubles.services(processes);
        if (kind == "pages") {
            desktop = std::make_unique<platform::LinuxPlatform>(QString::fromStdString(workspace));
            services = desktop->services();
            services.processes = &processes;
            services.spawner = &doubles.spawner;
            services.prompt = &doubles.prompt;
        }
        auto main = std::make_unique<MainWindow>(QString::fromStdString(workspace), services);
        main->installEventFilter(&probe);
        if (!main->FormCreate())
            return 2;
        window = std::move(main);
    } else {
        if (kind == "text")
            window = std::make_unique<QLabel>(QStringLiteral("Orvanel"));
        else
            window = std::make_unique<QWidget>();
        window->installEventFilter(&probe);
        window->resize(784, 481);
        window->show();
    }
    waitForPaint(probe);
    const long paintedAt = monotonicNs(), paintedKb = residentKb();
    if (kind == "pages") {
        openEveryPage(static_cast<MainWindow&>(*window));
        std::printf("%ld %ld %ld\n", paintedAt, paintedKb, residentKb());
    } else {
        std::printf("%ld %ld\n", paintedAt, paintedKb);
    }
    std::fflush(stdout);
    return 0;
}

struct ChildResult
{
    double seconds = 0;
    long residentKb = 0;
    long pagesKb = 0; // after every page, for "pages"
    bool ok = false;
};

ChildResult spawnChild(const char* self, const char* kind, const std::string& workspace)
{
    int out[2];
    if (pipe(out) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string childFlag = std::string("--child=") + kind;
    char* argv[] = {const_cast<char*>(self), childFlag.data(), const_cast<char*>(workspace.c_str()),
                    nullptr};
    const long start = monotonicNs();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, self, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    ChildResult result;
    if (rc == 0) {
        char buffer[128] = {};
        const ssize_t n = read(out[0], buffer, sizeof buffer - 1);
        long paintedAt = 0;
        if (n > 0 && std::sscanf(buffer, "%ld %ld %ld", &paintedAt, &result.residentKb,
                                 &result.pagesKb) >= 2) {
            result.seconds = double(paintedAt - start) / 1e9;
            result.ok = true;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        result.ok = result.ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    close(out[0]);
    return result;
}

const char* g_self = nullptr;

// The three programs in turns, the order changing every round, so that a machine getting
// faster or slower over the run moves all alike. Each round's times are compared with that
// round's blank window; the median passes over the rounds another program's work spoiled.
// The window with one line of text shows what text alone costs any Qt program here:
// fontconfig's configuration, a font face and its first glyphs.
void BM_PanelAgainstMinimalQtProgram(benchmark::State& state)
{
    constexpr int Rounds = 21;
    constexpr std::array<const char*, 3> Kinds = {"plain", "text", "main"};
    std::array<std::vector<double>, 3> times, ratios;
    std::array<long, 3> residentKb = {};
    for (auto _ : state) {
        for (int round = 0; round < Rounds; ++round) {
            std::array<ChildResult, 3> results;
            for (std::size_t turn = 0; turn < Kinds.size(); ++turn) {
                const std::size_t kind = (turn + std::size_t(round)) % Kinds.size();
                QTemporaryDir dir;
                const std::string workspace = bench::windowWorkspace(dir).toStdString();
                results[kind] = spawnChild(g_self, Kinds[kind], workspace);
                if (!results[kind].ok) {
                    state.SkipWithError("a child did not paint its window");
                    return;
                }
            }
            for (std::size_t kind = 0; kind < Kinds.size(); ++kind) {
                times[kind].push_back(results[kind].seconds * 1e3);
                ratios[kind].push_back(results[kind].seconds / results[0].seconds);
                residentKb[kind] = std::max(residentKb[kind], results[kind].residentKb);
            }
        }
    }
    const auto rssRatio = [&](std::size_t kind) {
        return double(residentKb[kind]) / double(std::max(residentKb[0], 1L));
    };
    state.counters["minimal_ms"] = bench::median(times[0]);
    state.counters["text_ms"] = bench::median(times[1]);
    state.counters["panel_ms"] = bench::median(times[2]);
    state.counters["text_ratio"] = bench::median(ratios[1]);
    state.counters["time_ratio"] = bench::median(ratios[2]);
    state.counters["minimal_rss_kB"] = double(residentKb[0]);
    state.counters["text_rss_kB"] = double(residentKb[1]);
    state.counters["panel_rss_kB"] = double(residentKb[2]);
    state.counters["text_rss_ratio"] = rssRatio(1);
    state.counters["rss_ratio"] = rssRatio(2);
}

BENCHMARK(BM_PanelAgainstMinimalQtProgram)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// What the panel holds resident at its first paint and once every page has been opened
// twice, against the blank window's first paint; the kept pictures of the style and the
// pages' lists are what grows.
void BM_PanelAfterEveryPage(benchmark::State& state)
{
    constexpr int Runs = 5;
    std::vector<double> painted, pages;
    long minimalKb = 0;
    for (auto _ : state) {
        for (int run = 0; run < Runs; ++run) {
            QTemporaryDir dir;
            const std::string workspace = bench::windowWorkspace(dir).toStdString();
            const ChildResult minimal = spawnChild(g_self, "plain", workspace);
            const ChildResult panel = spawnChild(g_self, "pages", workspace);
            if (!minimal.ok || !panel.ok || panel.pagesKb == 0) {
                state.SkipWithError("a child did not paint its window or open its pages");
                return;
            }
            minimalKb = std::max(minimalKb, minimal.residentKb);
            painted.push_back(double(panel.residentKb));
            pages.push_back(double(panel.pagesKb));
        }
    }
    state.counters["minimal_rss_kB"] = double(minimalKb);
    state.counters["painted_rss_kB"] = bench::median(painted);
    state.counters["pages_rss_kB"] = bench::median(pages);
    state.counters["pages_rss_ratio"] = bench::median(pages) / double(std::max(minimalKb, 1L));
}

BENCHMARK(BM_PanelAfterEveryPage)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    const std::string childPrefix = "--child=";
    if (argc == 3 && std::string(argv[1]).rfind(childPrefix, 0) == 0)
        return runChild(std::string(argv[1]).substr(childPrefix.size()), argv[2]);
    g_self = "/proc/self/exe";
    static std::string self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe")).toStdString();
    g_self = self.c_str();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#include "bench_startup.moc"
