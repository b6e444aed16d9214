// The main window's creation on a workspace: the files the engines expect, the
// engines left over from an earlier run, the language and the start-up failures.
#include "WindowFixture.h"

#include "workspace/Table.h"

#include <QDir>
#include <QFile>
#include <QTimer>

#include <ostream>

#include <unistd.h>

namespace orvanel::testing {
namespace {

using FormCreate = WindowFixture;

QStringList fieldsOfOnlyRow(const QString& path, int fieldCount, int* rows)
{
    Table table;
    QString error;
    EXPECT_TRUE(table.open(path, &error)) << error.toStdString();
    *rows = table.recordCount();
    QStringList values;
    table.first();
    for (int i = 1; i <= fieldCount; ++i)
        values.append(table.value(QStringLiteral("Champ%1").arg(i)));
    return values;
}

TEST_F(FormCreate, FirstStartInAnEmptyFolderWritesEveryFileWithItsDefault)
{
    MainWindow& w = started();

    EXPECT_EQ(text(QStringLiteral("track.txt")), QStringLiteral("2\r\n"));
    EXPECT_EQ(text(QStringLiteral("firewall.txt")), QStringLiteral("2\r\n"));
    EXPECT_EQ(text(QStringLiteral("mode.txt")), QStringLiteral("0\r\n"));
    EXPECT_EQ(text(QStringLiteral("ctrlpl.txt")), QStringLiteral("0\r\n"));
    for (const char* empty : {"viri.txt", "portappli.txt", "spam.txt", "anaviri.txt"}) {
        EXPECT_TRUE(ws.exists(QString::fromLatin1(empty))) << empty;
        EXPECT_TRUE(ws.read(QString::fromLatin1(empty)).isEmpty()) << empty;
    }
    for (const char* table :
         {"site.xml", "regles.xml", "alertes.xml", "evenements.xml", "quarantaines.xml"})
        EXPECT_TRUE(ws.exists(QString::fromLatin1(table))) << table;

    int rows = 0;
    EXPECT_EQ(fieldsOfOnlyRow(ws.path(QStringLiteral("configuration.xml")), 12, &rows),
              QStringList(12, QStringLiteral("1")));
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(fieldsOfOnlyRow(ws.path(QStringLiteral("langues.xml")), 1, &rows),
              QStringList{QStringLiteral("FR")});
    EXPECT_EQ(rows, 1);

    const PanelState& s = w.state();
    EXPECT_TRUE(s.switches.allOn());
    EXPECT_FALSE(s.firewall);
    EXPECT_FALSE(s.ctrlpl);
    EXPECT_TRUE(s.internet);
    EXPECT_TRUE(s.hourlyScan);
    EXPECT_EQ(s.alertLevel, 2);
    EXPECT_EQ(s.languageCode, QStringLiteral("FR"));
    EXPECT_EQ(s.startTime, fake.clock.current);
}

TEST_F(FormCreate, OpensShownWithItsCaptionCategoryListAndRunningTimer)
{
    MainWindow& w = started();

    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Orvanel "));
    EXPECT_EQ(w.objectName(), QStringLiteral("TForm2"));
    ASSERT_EQ(listBox1()->count(), 20);
    EXPECT_EQ(listBox1()->item(0)->text(), w.texts().text(1));
    EXPECT_EQ(listBox1()->item(6)->text(), w.texts().text(57));
    EXPECT_EQ(listBox1()->item(17)->text(), QStringLiteral("liens"));
    EXPECT_EQ(listBox1()->item(18)->text(), QStringLiteral("mémoire"));
    EXPECT_EQ(listBox1()->item(19)->text(), w.texts().text(25));
    EXPECT_TRUE(listBox1()->selectedItems().isEmpty());

    auto* timer = w.findChild<QTimer*>(QStringLiteral("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1500);
    // The page panel is on show, empty until the dashboard exists.
    ASSERT_NE(w.pageHost().pagePanel(), nullptr);
    EXPECT_TRUE(w.pageHost().pagePanel()->isVisible());
    EXPECT_TRUE(fake.urls.opened.isEmpty()) << "the start opens no web page";
}

TEST_F(FormCreate, LanguageCodeOtherThanTheFiveExactCodesBecomesFrench)
{
    Table table;
    defineFields(table, TableId::Languages);
    table.createEmpty();
    table.insert();
    table.setValue(u"Champ1", QStringLiteral("gb"));
    table.post();
    ASSERT_TRUE(table.save(ws.path(QStringLiteral("langues.xml"))));

    MainWindow& w = started();

    int rows = 0;
    EXPECT_EQ(fieldsOfOnlyRow(ws.path(QStringLiteral("langues.xml")), 1, &rows),
              QStringList{QStringLiteral("FR")});
    EXPECT_EQ(w.state().languageCode, QStringLiteral("FR"));
    EXPECT_EQ(listBox1()->item(18)->text(), QStringLiteral("mémoire"));
}

TEST_F(FormCreate, StoredEnglishLoadsTheEnglishTexts)
{
    Table table;
    defineFields(table, TableId::Languages);
    table.createEmpty();
    table.insert();
    table.setValue(u"Champ1", QStringLiteral("GB"));
    table.post();
    ASSERT_TRUE(table.save(ws.path(QStringLiteral("langues.xml"))));

    MainWindow& w = started();

    EXPECT_EQ(w.state().languageCode, QStringLiteral("GB"));
    EXPECT_EQ(listBox1()->item(18)->text(), QStringLiteral(" memory"));
    EXPECT_EQ(listBox1()->item(17)->text(), QStringLiteral("connections"));
}

struct FirewallCase
{
    const char* content;
    bool on;

    // Shown in the test list instead of the case's bytes.
    friend void PrintTo(const FirewallCase& c, std::ostream* out)
    {
        *out << "firewall.txt " << c.content[0] << (c.on ? " on" : " off");
    }
};

class FirewallAtStart : public WindowFixture, public ::testing::WithParamInterface<FirewallCase>
{
};

TEST_P(FirewallAtStart, ModeKeptAsReadAndSwitchOnOnlyForOneAndThree)
{
    ws.write(QStringLiteral("firewall.txt"), GetParam().content);
    MainWindow& w = started();

    const QString firstLine = QString::fromLatin1(GetParam().content).section(u'\r', 0, 0);
    EXPECT_EQ(w.state().firewallMode, firstLine);
    EXPECT_EQ(w.state().firewall, GetParam().on);
    EXPECT_EQ(ws.read(QStringLiteral("firewall.txt")), QByteArray(GetParam().content))
        << "an existing firewall.txt is only read";
}

INSTANTIATE_TEST_SUITE_P(Modes, FirewallAtStart,
                         ::testing::Values(FirewallCase{"1\r\n", true}, FirewallCase{"3\r\n", true},
                                           FirewallCase{"2\r\n", false},
                                           FirewallCase{"x\r\n", false}),
                         [](const auto& info) {
                             return std::string("mode_") + info.param.content[0];
                         });

TEST_F(FormCreate, EmptyModeFirewallAndCtrlplFilesAreMadeAnewLikeMissingOnes)
{
    for (const char* name : {"mode.txt", "firewall.txt", "ctrlpl.txt"})
        ws.write(QString::fromLatin1(name), QByteArray());

    MainWindow& w = started();

    EXPECT_EQ(text(QStringLiteral("mode.txt")), QStringLiteral("0\r\n"));
    EXPECT_EQ(text(QStringLiteral("firewall.txt")), QStringLiteral("2\r\n"));
    EXPECT_EQ(text(QStringLiteral("ctrlpl.txt")), QStringLiteral("0\r\n"));
    EXPECT_EQ(w.state().firewallMode, QStringLiteral("2"));
    EXPECT_FALSE(w.state().ctrlpl);
}

TEST_F(FormCreate, CtrlplOneSwitchesOnAndOtherTextLeavesItOn)
{
    ws.write(QStringLiteral("ctrlpl.txt"), "1\r\n");
    EXPECT_TRUE(started().state().ctrlpl);
    window.reset();
    ws.write(QStringLiteral("ctrlpl.txt"), "yes\r\n");
    EXPECT_TRUE(started().state().ctrlpl);
    EXPECT_EQ(ws.read(QStringLiteral("ctrlpl.txt")), QByteArray("yes\r\n"));
}

TEST_F(FormCreate, ExistingSpamListIsReadAndScanLogKeptWhileEngineListsAreEmptied)
{
    ws.write(QStringLiteral("spam.txt"), "a@example.invalid\r\nb@example.invalid\r\n");
    ws.write(QStringLiteral("anaviri.txt"), "scan log\r\n");
    ws.write(QStringLiteral("viri.txt"), "old virus\r\n");
    ws.write(QStringLiteral("portappli.txt"), "8080\r\n");

    MainWindow& w = started();

    EXPECT_EQ(w.state().spamList, (QStringList{QStringLiteral("a@example.invalid"),
                                               QStringLiteral("b@example.invalid")}));
    EXPECT_EQ(ws.read(QStringLiteral("anaviri.txt")), QByteArray("scan log\r\n"));
    EXPECT_TRUE(ws.read(QStringLiteral("viri.txt")).isEmpty());
    EXPECT_TRUE(ws.read(QStringLiteral("portappli.txt")).isEmpty());
}

TEST_F(FormCreate, LeftoverEnginesEndedAndResidentOnesStartedAgainOthersLeftAlone)
{
    const qint64 oldTempsreel = ws.startEngine(QStringLiteral("tempsreel.exe"));
    const qint64 oldPngi = ws.startEngine(QStringLiteral("pngi.exe"));
    const qint64 netpro = ws.startEngine(QStringLiteral("netpro.exe"));
    const qint64 scanwapper = ws.startEngine(QStringLiteral("scanwapper.exe"));
    const qint64 serveur = ws.startEngine(QStringLiteral("serveur.exe"));
    for (const char* name :
         {"tempsreel.exe", "pngi.exe", "netpro.exe", "scanwapper.exe", "serveur.exe"})
        ASSERT_TRUE(ws.waitRunning(QString::fromLatin1(name), 1)) << name;

    started();

    EXPECT_EQ(ws.starts(QStringLiteral("tempsreel.exe"), 2).size(), 2);
    EXPECT_EQ(ws.starts(QStringLiteral("pngi.exe"), 2).size(), 2);
    EXPECT_TRUE(ws.waitRunning(QStringLiteral("tempsreel.exe"), 1));
    EXPECT_TRUE(ws.waitRunning(QStringLiteral("pngi.exe"), 1));
    const QList<qint64> running = ws.ownProcesses();
    EXPECT_FALSE(running.contains(oldTempsreel));
    EXPECT_FALSE(running.contains(oldPngi));
    EXPECT_TRUE(running.contains(netpro));
    EXPECT_TRUE(running.contains(scanwapper));
    EXPECT_TRUE(running.contains(serveur));
}

TEST_F(FormCreate, UnwritableSideFileIsReportedByNameAndTheStartEndsBeforeAnyEngine)
{
    // A folder where the side file should be cannot be replaced by a file, whoever runs
    // the test.
    ASSERT_TRUE(QDir(ws.dir()).mkdir(QStringLiteral("viri.txt")));

    create();
    // While the box is open the event loop runs: no tick may start an engine then.
    bool tickingUnderTheBox = true;
    fake.prompt.whileErrorShown = [&] {
        tickingUnderTheBox = window->findChild<QTimer*>(QStringLiteral("Timer1"))->isActive();
    };
    EXPECT_FALSE(window->FormCreate());
    EXPECT_FALSE(tickingUnderTheBox);

    ASSERT_EQ(fake.prompt.errors.size(), 1);
    EXPECT_TRUE(fake.prompt.errors.first().contains(ws.path(QStringLiteral("viri.txt"))))
        << fake.prompt.errors.first().toStdString();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    EXPECT_FALSE(ws.exists(QStringLiteral("tempsreel.exe.args")));
    EXPECT_FALSE(ws.exists(QStringLiteral("configuration.xml")));
}

TEST_F(FormCreate, ReadOnlyWorkspaceFailsOnTheFirstSideFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders; the folder case above covers it";
    QFile::setPermissions(ws.dir(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);

    create();
    const bool created = window->FormCreate();
    QFile::setPermissions(ws.dir(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    EXPECT_FALSE(created);
    ASSERT_EQ(fake.prompt.errors.size(), 1);
    EXPECT_TRUE(fake.prompt.errors.first().contains(QStringLiteral("spam.txt")));
}

} // namespace
} // namespace orvanel::testing
