#include "pages/tools/MemoryPage.h"

#include "pages/settings/TestPanelContext.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <map>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

constexpr quint64 GiB = quint64(1) << 30;

// A process list whose resident sizes the test sets; a size of nothing is a process
// that cannot be read.
class ScriptedProcessTable final : public platform::ProcessTable
{
public:
    void add(const QString& name, qint64 pid, std::optional<qint64> bytes)
    {
        processes.push_back({name, pid});
        resident[pid] = bytes;
    }
    std::vector<platform::ProcessInfo> snapshot() const override { return processes; }
    bool isRunning(QStringView) const override { return false; }
    bool isOwn(qint64) const override { return true; }
    QString programPath(qint64) const override { return {}; }
    bool terminate(qint64) override { return false; }
    std::optional<qint64> residentBytes(qint64 pid) const override
    {
        const auto it = resident.find(pid);
        return it == resident.end() ? std::nullopt : it->second;
    }

    std::vector<platform::ProcessInfo> processes;
    std::map<qint64, std::optional<qint64>> resident;
};

TEST(MemoryPageRecords, FirstAndLastRecordsAreLeftOut)
{
    const struct
    {
        const char* label;
        std::vector<std::tuple<const char*, qint64, std::optional<qint64>>> processes;
        std::vector<QStringList> rows;
    } cases[] = {
        {"none", {}, {}},
        {"two", {{"a", 1, 4096}, {"b", 2, 4096}}, {}},
        {"three", {{"a", 1, 4096}, {"b", 2, 10240}, {"c", 3, 4096}}, {{u"1"_s, u"b"_s, u"10"_s}}},
        {"unreadable skipped before counting",
         {{"a", 1, 4096}, {"gone", 2, std::nullopt}, {"b", 3, 2047}, {"c", 4, 0}},
         {{u"1"_s, u"b"_s, u"1"_s}}},
        {"two readable of four",
         {{"a", 1, 1}, {"x", 2, std::nullopt}, {"y", 3, std::nullopt}, {"b", 4, 1}},
         {}},
        {"five, sizes above 4 GiB",
         {{"init", 1, 8192},
          {"big", 2, qint64(6 * GiB)},
          {"k", 3, 0},
          {"c", 4, 1025},
          {"last", 5, 1}},
         {{u"1"_s, u"big"_s, u"6291456"_s}, {u"2"_s, u"k"_s, u"0"_s}, {u"3"_s, u"c"_s, u"1"_s}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ScriptedProcessTable table;
        for (const auto& [name, pid, bytes] : c.processes)
            table.add(QString::fromLatin1(name), pid, bytes);
        EXPECT_EQ(MemoryPage::shownRows(MemoryPage::processRecords(table)), c.rows);
    }
}

TEST(MemoryPageFigures, KilobytesRoundedAndGroupedWithoutWrapping)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    const struct
    {
        quint64 bytes;
        const QLocale& locale;
        const char* figure;
    } cases[] = {
        {0, english, ""},
        {511, english, ""},
        {512, english, "1"},
        {2097152, english, "2,048"},
        {2097152, german, "2.048"},
        {999 * 1024, english, "999"},
        {4 * GiB, english, "4,194,304"},          // a 32-bit count would read 0
        {16 * GiB + 1024, english, "16,777,217"}, // and this one 1
        {1024 * GiB, german, "1.073.741.824"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MemoryPage::memoryFigure(c.bytes, c.locale), QString::fromUtf8(c.figure))
            << c.bytes;
}

class MemoryPageTest : public ::testing::Test
{
protected:
    MemoryPageTest() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    ~MemoryPageTest() override { QLocale::setDefault(QLocale::system()); }

    void build(const QString& language)
    {
        context.state().languageCode = language;
        panel = std::make_unique<QWidget>();
        page = std::make_unique<MemoryPage>(context);
        page->build(panel.get());
    }
    QString line(const QString& name) const { return panel->findChild<QLabel*>(name)->text(); }

    TestPanelContext context;
    std::unique_ptr<QWidget> panel;
    std::unique_ptr<MemoryPage> page;
};

TEST_F(MemoryPageTest, ViewAndLinesOfEachLanguage)
{
    // The page reads the processes through the panel's services.
    ScriptedProcessTable processes;
    processes.add(u"first"_s, 1, 4096);
    processes.add(u"shown"_s, 2, 20480);
    processes.add(u"panel"_s, QCoreApplication::applicationPid(), qint64(3 * 1024 * 1024));
    const_cast<platform::Services&>(context.services()).processes = &processes;
    context.fake.memory.snapshot.totalPhysical = 16 * GiB;
    context.fake.memory.snapshot.availablePhysical = 5 * GiB + 511; // rounds down

    const struct
    {
        const char* language;
        const char* memoryWord;
        const char* total;
        const char* process;
    } cases[] = {
        {"FR", "mémoire", "la mémoire totale du système: 16,777,216 KByte",
         "Processus mémoire:3,072 KByte"},
        {"GB", " memory", " Total system memory: 16,777,216 KByte", " Process-Memory: 3,072 KByte"},
        {"DE", "memory", "Gesamtsystemspeicher:16,777,216 KByte", "Prozess-Memory3,072 KByte"},
        {"ESP", "memoria", "la memoria total del sistema:16,777,216 KByte",
         "Proceso de memoria3,072 KByte"},
        {"ITA", "memoria", "memoria totale del sistema:16,777,216 KByte",
         "Processo-memoria3,072 KByte"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        build(QString::fromLatin1(c.language));
        const auto* view = panel->findChild<QTreeWidget*>(u"process memory view"_s);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->geometry(), QRect(8, 24, 585, 220));
        EXPECT_EQ(view->headerItem()->text(0), u"entry 9"_s);
        EXPECT_EQ(view->headerItem()->text(1), u"entry 10"_s);
        EXPECT_EQ(view->headerItem()->text(2), QString::fromUtf8(c.memoryWord));
        EXPECT_FALSE(view->isSortingEnabled());
        ASSERT_EQ(view->topLevelItemCount(), 1);
        EXPECT_EQ(view->topLevelItem(0)->text(1), u"shown"_s);
        EXPECT_EQ(view->topLevelItem(0)->text(2), u"20"_s);

        EXPECT_EQ(line(u"TotalMemoryLine"_s), QString::fromUtf8(c.total));
        EXPECT_TRUE(line(u"FreeMemoryLine"_s).endsWith(u"5,242,880 KByte"_s));
        EXPECT_EQ(line(u"ProcessMemoryLine"_s), QString::fromUtf8(c.process));
        // The panel's own use did not grow while the page was built: no digit at all.
        EXPECT_TRUE(line(u"MemoryLossLine"_s).endsWith(u" KByte"_s));
        const struct
        {
            const char* name;
            int top;
        } lines[] = {{"TotalMemoryLine", 322},
                     {"FreeMemoryLine", 302},
                     {"ProcessMemoryLine", 282},
                     {"MemoryLossLine", 262}};
        for (const auto& l : lines) {
            const auto* label = panel->findChild<QLabel*>(QString::fromLatin1(l.name));
            EXPECT_EQ(label->pos(), QPoint(56, l.top)) << l.name;
            EXPECT_GE(label->width(), label->sizeHint().width()) << l.name;
        }
    }
}

TEST_F(MemoryPageTest, UnreadableOwnProcessKeepsTheFirstCaption)
{
    ScriptedProcessTable processes;
    processes.add(u"a"_s, 1, 1024);
    processes.add(u"b"_s, 2, 1024);
    const_cast<platform::Services&>(context.services()).processes = &processes;
    context.fake.memory.snapshot.totalPhysical = 2097152;
    build(u"GB"_s);
    EXPECT_EQ(panel->findChild<QTreeWidget*>(u"process memory view"_s)->topLevelItemCount(), 0);
    EXPECT_EQ(line(u"TotalMemoryLine"_s), u" Total system memory: 2,048 KByte"_s);
    EXPECT_EQ(line(u"FreeMemoryLine"_s), u" Free physical memory:  KByte"_s);
    EXPECT_EQ(line(u"ProcessMemoryLine"_s), u"entry 75"_s);
    EXPECT_EQ(line(u"MemoryLossLine"_s), u"entry 75"_s);
    const auto* kept = panel->findChild<QLabel*>(u"ProcessMemoryLine"_s);
    EXPECT_GE(kept->width(), kept->sizeHint().width()); // grows with its first caption too
}

} // namespace
} // namespace orvanel::testing
