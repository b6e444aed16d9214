// The start on a workspace whose files an engine holds or that are not files at all: the
// window opens without waiting, held files are read once free, and no switch the user set
// is lost.
#include "WindowFixture.h"

#include "platform/ProcessFacts.h"
#include "workspace/Table.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

namespace orvanel::testing {
namespace {

using namespace Qt::StringLiterals;

using StartOnOddFiles = WindowFixture;

// The twelve configuration fields as a text of "1" and "0", Champ1 first.
QByteArray switchesPacket(const QString& switches)
{
    QByteArray row;
    for (int i = 0; i < 12; ++i)
        row += " Champ" + QByteArray::number(i + 1) + "=\"" + switches.at(i).toLatin1() + '"';
    return "<DATAPACKET><ROWDATA><ROW" + row + "/></ROWDATA></DATAPACKET>";
}

QString storedSwitches(const QString& path)
{
    Table table;
    defineFields(table, TableId::Configuration);
    QString switches;
    if (table.open(path))
        for (int i = 1; i <= 12; ++i)
            switches += table.value(u"Champ%1"_s.arg(i));
    return switches;
}

TEST_F(StartOnOddFiles, HeldConfigurationKeepsEverySwitchTheUserSet)
{
    // Five switches off, the site filter (Champ7) among them.
    ws.write(u"configuration.xml"_s, switchesPacket(u"110101010110"_s));
    LockHolder holder(ws.path(u"configuration.xml"_s));
    ASSERT_TRUE(holder.locked());
    MainWindow& w = started();
    EXPECT_TRUE(w.isVisible());

    holder.end();
    // The click comes before the window looks at the file again: the writer reads it
    // first, and only Champ8 (CheckBox2) changes.
    w.switchClicked(Switch::WatchConnectingPrograms, false);
    EXPECT_EQ(storedSwitches(ws.path(u"configuration.xml"_s)), u"110101000110"_s);
    EXPECT_FALSE(w.state().siteFilter());
}

TEST_F(StartOnOddFiles, HeldTableDoesNotHoldUpTheWindowAndIsReadOnceFree)
{
    ws.write(u"langues.xml"_s, R"(<DATAPACKET><ROWDATA><ROW Champ1="GB"/></ROWDATA></DATAPACKET>)");
    LockHolder holder(ws.path(u"langues.xml"_s));
    ASSERT_TRUE(holder.locked());

    MainWindow& w = started();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.state().languageCode, u"FR"_s) << "opens in French while the file is held";

    holder.end();
    EXPECT_TRUE(QTest::qWaitFor([&w] { return w.state().languageCode == u"GB"_s; }, 5000));
    EXPECT_EQ(listBox1()->item(18)->text(), u" memory"_s);
}

TEST_F(StartOnOddFiles, SideFilesThatAreNotFilesAreReportedAndLeftAlone)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(ws.path(u"spam.txt"_s)).constData(), 0600), 0);
    ASSERT_TRUE(QDir(ws.dir()).mkdir(u"firewall.txt"_s));

    MainWindow& w = started();

    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.state().firewallMode, u"2"_s);
    EXPECT_TRUE(QFileInfo(ws.path(u"firewall.txt"_s)).isDir());
    QStringList notices = ws.starts(u"msgs.exe"_s, 2);
    notices.sort();
    EXPECT_EQ(notices,
              (QStringList{u"erreur;fichier;firewall.txt"_s, u"erreur;fichier;spam.txt"_s}));
}

} // namespace
} // namespace orvanel::testing
