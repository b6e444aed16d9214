#include "panel/Scheduler.h"
#include "platform/linux/FlockProbe.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/linux/LinuxSpawner.h"
#include "workspace/EngineControl.h"
#include "workspace/PanelState.h"
#include "workspace/TableFiles.h"

#include "support/Doubles.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

// Real processes: two copies of the test engine run as app.exe from the test's own
// workspace; the scheduler sees only that workspace's processes.
TEST(SchedulerRealProcesses, QuarantinedProgramEndsWithAllItsInstances)
{
    TestWorkspace workspace;
    workspace.installEngines({u"app.exe"_s, u"msgs.exe"_s});

    platform::LinuxProcessTable system;
    ScopedProcessTable processes(system, workspace.dir());
    platform::LinuxSpawner spawner;
    platform::FlockProbe probe;
    EngineControl engines(workspace.dir(), processes, spawner, probe);
    PanelState state;
    state.alertLevel = 2;
    TableFiles tables(workspace.dir(), engines, [&state] { return state.alertLevel; });

    ASSERT_TRUE(tables.create(TableId::Quarantine));
    ASSERT_TRUE(tables.use(TableId::Quarantine, [](Table& table) {
        table.insert();
        table.setValue(u"Champ1", u"app.exe"_s);
        table.post();
        return true;
    }));

    ASSERT_GT(workspace.startEngine(u"app.exe"_s), 0);
    ASSERT_GT(workspace.startEngine(u"app.exe"_s), 0);
    ASSERT_TRUE(workspace.waitRunning(u"app.exe"_s, 2));

    FakePlatform fake; // clock and host lookup only; pngi.exe and the others are not installed
    platform::Services services = fake.services();
    services.processes = &processes;
    services.spawner = &spawner;
    services.probe = &probe;
    Scheduler scheduler(state, engines, tables, services);
    scheduler.tick();

    EXPECT_TRUE(workspace.waitRunning(u"app.exe"_s, 0));
    const QStringList notes = workspace.starts(u"msgs.exe"_s, 1);
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes.front(), u"app.exe"_s);
}

} // namespace
} // namespace orvanel::testing
