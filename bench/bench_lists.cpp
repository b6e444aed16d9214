// The report lists over the largest tables the engines write, and the cost of opening
// the pages that show them.
//
//   BM_RulesListFirstPaint/N    rules page built on a regles.xml of N rules, to its first
//                               paint (the rest of the rows are read afterwards)
//   BM_RulesListMemory/100000   the list's heap per row once every row is read
//   BM_DateSort/100000          the third column's sort over rows in random order
//   BM_OpenPage/<page>          the main window on a fresh workspace, from a click on the
//                               page's category, coming from the dashboard, to the window's
//                               first paint, for the switches page and the protection pages;
//                               the median of three runs
//   BM_ProgramCheck/10000       program check page over 10,000 rules whose programs exist
#include "WindowBench.h"
#include "app/MainWindow.h"
#include "lang/TextTable.h"
#include "pages/PageHost.h"
#include "pages/PageRegistry.h"
#include "pages/PanelContext.h"
#include "pages/PanelStyle.h"
#include "pages/ReportList.h"
#include "platform/linux/FlockProbe.h"
#include "platform/linux/LinuxVolumes.h"
#include "workspace/EngineControl.h"
#include "workspace/Table.h"
#include "workspace/TableFiles.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <optional>
#include <random>

using namespace orvanel;
using namespace Qt::StringLiterals;

namespace {

struct NoProcesses final : platform::ProcessTable
{
    std::vector<platform::ProcessInfo> snapshot() const override { return {}; }
    bool isRunning(QStringView) const override { return false; }
    bool isOwn(qint64) const override { return false; }
    QString programPath(qint64) const override { return {}; }
    bool terminate(qint64) override { return false; }
    std::optional<qint64> residentBytes(qint64) const override { return std::nullopt; }
};
// What the main window gives a page, over a temporary workspace.
class BenchContext final : public PanelContext
{
public:
    explicit BenchContext(const QString& dir) : m_panel(dir, m_doubles.services(m_processes))
    {
        m_panel.state().startTime = QDateTime::currentDateTime();
        QStringList lines;
        for (int entry = 1; entry <= TextTable::Size; ++entry)
            lines.append(u"entry %1"_s.arg(entry));
        m_panel.texts().setLines(lines);
        m_panel.tables().create(TableId::Configuration);
    }
    Panel& panel() override { return m_panel; }
    QWidget* window() override { return nullptr; }
    QPointer<QLineEdit>& editSlot(int number) override { return m_edits[(number - 1) % 3]; }

private:
    NoProcesses m_processes;
    bench::WindowDoubles m_doubles;
    Panel m_panel;
    QPointer<QLineEdit> m_edits[3];
};

QString systemDateTime(const QDateTime& when)
{
    const QLocale locale = QLocale::system();
    return locale.toString(when.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(when.time(), QLocale::LongFormat);
}

// Rules as the engines write them, dated over a year in random order. programDir, when
// given, holds a program file for each rule.
void writeRules(const QString& path, int count, const QString& programDir = {})
{
    Table table;
    defineFields(table, TableId::Rules);
    table.createEmpty();
    std::mt19937 random(count);
    const QDateTime start(QDate(2026, 1, 1), QTime(0, 0));
    const QStringList programs = {u"firefox.exe"_s, u"thunderbird.exe"_s, u"svchost.exe"_s,
                                  u"explorer.exe"_s, u"skype.exe"_s};
    for (int i = 0; i < count; ++i) {
        const QString program = programs[int(random() % programs.size())];
        QString file = u"C:\\Program Files\\%1\\%2"_s.arg(program.chopped(4), program);
        if (!programDir.isEmpty())
            file = programDir + u"/p%1.exe"_s.arg(i);
        table.insert();
        table.setValue(u"Champ1", program);
        table.setValue(u"Champ2", systemDateTime(start.addSecs(qint64(random() % 31'536'000))));
        table.setValue(u"Champ3", random() % 2 ? u"TCP"_s : u"UDP"_s);
        table.setValue(u"Champ4", random() % 4 ? u"1"_s : u"?"_s);
        table.setValue(u"Champ8", file);
        table.setValue(u"Champ9", QString::number(random()));
        table.post();
    }
    table.save(path);
}

// A workspace with a regles.xml and alertes.xml of `rules` rows each.
struct Workspace
{
    explicit Workspace(int rules, bool programs = false)
    {
        const QString root = QDir(dir.path()).canonicalPath() + u'/';
        QString programDir;
        if (programs) {
            programDir = root + u"programs"_s;
            QDir().mkpath(programDir);
            const QByteArray bytes(4096, '\x5a');
            for (int i = 0; i < rules; ++i) {
                QFile file(programDir + u"/p%1.exe"_s.arg(i));
                file.open(QIODevice::WriteOnly);
                file.write(bytes);
            }
        }
        writeRules(root + u"regles.xml"_s, rules, programDir);
        QFile::copy(root + u"regles.xml"_s, root + u"alertes.xml"_s);
        context = std::make_unique<BenchContext>(root);
    }
    QTemporaryDir dir;
    std::unique_ptr<BenchContext> context;
};

const PageEntry& entryOf(int key)
{
    for (const PageEntry& entry : pageTable()) {
        if (entry.key.kind == PageKey::Kind::Entry && entry.key.entry == key)
            return entry;
    }
    std::abort();
}

// One page host frame, from the choice to the window's first paint, in seconds.
double openOnce(PageHost& host, QWidget& window, int key)
{
    QElapsedTimer clock;
    clock.start();
    host.buildFramed(entryOf(key));
    // The first paint of the window with the page, done at once: the rows a list reads
    // after its first screen do not count.
    window.repaint();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    host.reset();
    QCoreApplication::processEvents();
    return seconds;
}

// Opens the page of `key` once an iteration.
void openPage(benchmark::State& state, int key, int rules, bool programs = false)
{
    Workspace workspace(rules, programs);
    QWidget window;
    window.show();
    PageHost host(*workspace.context, window, [] {});
    for (auto _ : state)
        state.SetIterationTime(openOnce(host, window, key));
}

// The main window as the panel starts it on a fresh workspace with the language files and
// a regles.xml and alertes.xml of `rules` rows. Processes are never started or ended; the
// volumes are the machine's own, read only.
class PanelWindow
{
public:
    explicit PanelWindow(int rules)
    {
        const QString root = bench::windowWorkspace(m_dir);
        platform::Services services = m_doubles.services(m_processes);
        services.volumes = &m_volumes;
        m_window = std::make_unique<MainWindow>(root, services);
        if (!m_window->FormCreate())
            std::abort();
        // No scheduler tick during the measurements.
        m_window->timer1()->stop();
        // The start wrote empty tables: these take their place.
        writeRules(root + u"regles.xml"_s, rules);
        QFile::remove(root + u"alertes.xml"_s);
        QFile::copy(root + u"regles.xml"_s, root + u"alertes.xml"_s);
        m_categories = m_window->findChild<QListWidget*>(u"ListBox1"_s);
        QCoreApplication::processEvents();
    }

    // A click on the category of the page of `key`, to the window's first paint with that
    // page, in seconds. The events that follow the paint (a list's later rows) are handled
    // afterwards, out of the time.
    double click(int key)
    {
        const QString caption = m_window->texts().text(key);
        const auto items = m_categories->findItems(caption, Qt::MatchExactly);
        if (items.isEmpty())
            std::abort();
        QWidget* viewport = m_categories->viewport();
        const QPointF at = m_categories->visualItemRect(items.front()).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, viewport->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, {});
        QMouseEvent release(QEvent::MouseButtonRelease, at, viewport->mapToGlobal(at),
                            Qt::LeftButton, Qt::NoButton, {});
        QElapsedTimer clock;
        clock.start();
        QApplication::sendEvent(viewport, &press);
        QApplication::sendEvent(viewport, &release);
        // What the event loop does next: the window's update request paints what changed.
        QCoreApplication::sendPostedEvents(m_window.get(), QEvent::UpdateRequest);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        QCoreApplication::processEvents();
        return seconds;
    }

private:
    QTemporaryDir m_dir;
    NoProcesses m_processes;
    bench::WindowDoubles m_doubles;
    platform::LinuxVolumes m_volumes;
    std::unique_ptr<MainWindow> m_window;
    QListWidget* m_categories = nullptr;
};

// Each page is opened from the dashboard, and so is the switches page it is measured
// against, in turn with it: measured in pairs, the machine's ups and downs touch both alike.
void BM_OpenPage(benchmark::State& state, int key)
{
    constexpr int dashboard = 1, switches = 57;
    PanelWindow panel(int(state.range(0)));
    double total = 0, reference = 0;
    for (auto _ : state) {
        panel.click(dashboard);
        const double seconds = panel.click(key);
        state.SetIterationTime(seconds);
        total += seconds;
        if (key != switches) {
            panel.click(dashboard);
            reference += panel.click(switches);
        }
    }
    if (reference > 0)
        state.counters["times_switches"] = total / reference;
}

void BM_RulesListFirstPaint(benchmark::State& state)
{
    openPage(state, 2, int(state.range(0)));
}

void BM_ProgramCheck(benchmark::State& state)
{
    openPage(state, 90, int(state.range(0)), true);
}

void BM_RulesListMemory(benchmark::State& state)
{
    const int rules = int(state.range(0));
    Workspace workspace(rules);
    double perRow = 0, textPerRow = 0;
    for (auto _ : state) {
        QWidget panel;
        panel.resize(609, 369);
        panel.show();
        const std::size_t before = mallinfo2().uordblks;
        {
            ReportList* list =
                makeTableList(*workspace.context, &panel, u"ListView2"_s, TableId::Rules);
            list->finishReading();
            QCoreApplication::processEvents();
            const std::size_t after = mallinfo2().uordblks;
            perRow = double(after - before) / rules;
            std::size_t text = 0;
            for (int r = 0; r < list->model()->rowCount(); ++r) {
                for (int c = 1; c < 6; ++c)
                    text += std::size_t(list->rows().cell(r, c).toUtf8().size()) + 1;
            }
            textPerRow = double(text) / rules;
        }
    }
    state.counters["bytes_per_row"] = perRow;
    state.counters["text_bytes_per_row"] = textPerRow;
    state.counters["list_bytes_per_row_without_text"] = perRow - textPerRow;
}

void BM_DateSort(benchmark::State& state)
{
    const int rows = int(state.range(0));
    std::mt19937 random(7);
    const QDateTime start(QDate(2026, 1, 1), QTime(0, 0));
    std::vector<std::pair<int, QStringList>> cells;
    for (int i = 0; i < rows; ++i) {
        const QString date =
            i % 100 == 0 ? u"?"_s : systemDateTime(start.addSecs(qint64(random() % 31'536'000)));
        cells.emplace_back(i + 1, QStringList{u"p.exe"_s, date, u"TCP"_s, u"1"_s, u"C:\\p.exe"_s});
    }
    for (auto _ : state) {
        state.PauseTiming();
        ReportRows model;
        model.setDateColumn(2);
        model.setCaptions({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s});
        model.appendMany(cells);
        state.ResumeTiming();
        model.sortByDate();
        benchmark::DoNotOptimize(model.rowNumber(0));
    }
}

BENCHMARK(BM_RulesListFirstPaint)
    ->Arg(1000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RulesListMemory)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DateSort)->Arg(100000)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProgramCheck)
    ->Arg(10000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The style the panel sets at start.
    QApplication::setStyle(new PanelStyle);
    // The switches page first: the pages of the lists are measured against it.
    const struct
    {
        const char* name;
        int key;
    } pages[] = {{"switches", 57},       {"dashboard", 1}, {"rules", 2},     {"alerts", 3},
                 {"network_options", 4}, {"scan", 85},     {"protocols", 5}, {"settings_ports", 6}};
    for (const auto& page : pages) {
        // The median of three runs: this machine's ups and downs last longer than a run.
        benchmark::RegisterBenchmark((std::string("BM_OpenPage/") + page.name).c_str(), BM_OpenPage,
                                     page.key)
            ->Arg(1000)
            ->UseManualTime()
            ->Repetitions(3)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
