// The panel's core driven as the window drives it, with no window at all: its start, and
// each named operation with the file it writes and the signal it sends.
#include "panel/Panel.h"
#include "panel/ConfigurationSwitches.h"
#include "workspace/Names.h"
#include "workspace/SideFiles.h"
#include "workspace/Table.h"

#include "support/Doubles.h"
#include "support/TestWorkspace.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>

namespace orvanel::testing {
namespace {

using namespace Qt::StringLiterals;

QStringList fieldValues(TableFiles& tables, TableId id)
{
    QStringList values;
    tables.use(id, [&](Table& table) {
        for (int record = 0; record < table.recordCount(); ++record)
            values.append(table.valueAt(record, table.fieldIndexOf(u"Champ1")));
        return false;
    });
    return values;
}

TEST(PanelCore, StartsAndRunsEveryOperationWithoutAWindow)
{
    TestWorkspace ws;
    ws.installData();
    FakePlatform fake;
    Panel panel(ws.dir(), fake.services());
    QSignalSpy languages(&panel, &Panel::languageChanged);

    ASSERT_TRUE(panel.prepareWorkspace());
    panel.openWorkspace();
    ASSERT_TRUE(panel.readCtrlpl());
    EXPECT_EQ(languages.count(), 1);
    EXPECT_EQ(panel.state().languageCode, u"FR"_s);
    EXPECT_FALSE(panel.texts().text(1).isEmpty());
    EXPECT_TRUE(fake.spawner.names().contains(names::RealTimeEngine));
    EXPECT_EQ(sidefiles::readLines(ws.path(names::TrackFile)), QStringList{u"2"_s});

    panel.tables().use(TableId::Rules, [](Table& table) {
        table.insert();
        table.setValue(u"Champ1", u"prog"_s);
        table.post();
        return true;
    });

    struct Case
    {
        const char* name;
        std::function<void()> operation;
        std::function<void()> check;
    };
    QSignalSpy switches(&panel, &Panel::switchChanged);
    QSignalSpy internet(&panel, &Panel::internetChanged);
    QSignalSpy termination(&panel, &Panel::terminationRequested);
    const Case cases[] = {
        {"a switch is written to configuration.xml and announced",
         [&] { panel.setSwitch(Switch::SiteFilter, false); },
         [&] {
             EXPECT_FALSE(configuration::load(panel.tables())->on(Switch::SiteFilter));
             ASSERT_EQ(switches.count(), 1);
             EXPECT_FALSE(switches.front().at(1).toBool());
         }},
        {"a language is stored and its texts loaded", [&] { panel.chooseLanguage(u"GB"_s); },
         [&] {
             EXPECT_EQ(panel.state().languageCode, u"GB"_s);
             EXPECT_EQ(languages.count(), 2);
             EXPECT_NE(panel.linksWord(), QString());
         }},
        {"the alert level goes to track.txt", [&] { panel.setAlertLevel(3); },
         [&] {
             EXPECT_EQ(sidefiles::readLines(ws.path(names::TrackFile)), QStringList{u"3"_s});
             EXPECT_EQ(panel.state().alertLevel, 3);
         }},
        {"closed ports go to portsfermes.txt",
         [&] {
             EXPECT_TRUE(panel.setClosedPorts({u"23"_s, u"80"_s}));
         },
         [&] {
             EXPECT_EQ(sidefiles::readLines(ws.path(names::ClosedPortsFile)),
                       (QStringList{u"23"_s, u"80"_s}));
         }},
        {"a quarantined program loses its rules",
         [&] { EXPECT_TRUE(panel.quarantineProgram(u" prog "_s)); },
         [&] {
             EXPECT_EQ(fieldValues(panel.tables(), TableId::Quarantine), QStringList{u" prog "_s});
             EXPECT_TRUE(fieldValues(panel.tables(), TableId::Rules).isEmpty());
         }},
        {"the Internet switch is turned and announced", [&] { panel.toggleInternet(); },
         [&] {
             EXPECT_FALSE(panel.state().internet);
             ASSERT_EQ(internet.count(), 1);
             EXPECT_FALSE(internet.front().at(0).toBool());
         }},
        {"the end is asked for", [&] { panel.requestTermination(); },
         [&] { EXPECT_EQ(termination.count(), 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.operation();
        c.check();
    }
    EXPECT_TRUE(fake.prompt.errors.isEmpty()) << fake.prompt.errors.join(u'\n').toStdString();
}

} // namespace
} // namespace orvanel::testing
