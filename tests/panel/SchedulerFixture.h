#pragma once

#include "panel/Scheduler.h"
#include "workspace/EngineControl.h"
#include "workspace/PanelState.h"
#include "workspace/TableFiles.h"

#include "support/Doubles.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <memory>

namespace orvanel::testing {

// A scheduler over the doubles and a temporary workspace with real table files. Started
// programs appear in the fake process list unless the case asks for a spawner that only
// records (a program that failed to stay up).
class SchedulerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Launched by command line, so they must be programs of the workspace.
        workspace.installEngines({QStringLiteral("scanwapper.exe"), QStringLiteral("majbase.exe")});
        rebuild(&fake.processes);
    }

    void rebuild(FakeProcessTable* spawnedAppearIn)
    {
        spawner = std::make_unique<RecordingSpawner>(spawnedAppearIn);
        engines =
            std::make_unique<EngineControl>(workspace.dir(), fake.processes, *spawner, fake.probe);
        tables = std::make_unique<TableFiles>(workspace.dir(), *engines,
                                              [this] { return state.alertLevel; });
        platform::Services services = fake.services();
        services.spawner = spawner.get();
        scheduler = std::make_unique<Scheduler>(state, *engines, *tables, services);
        state.workspaceDir = workspace.dir();
    }

    // One tick at this time of the test's day ("9:05:00").
    void tickAt(const QString& time)
    {
        fake.clock.current.setTime(QTime::fromString(time, QStringLiteral("H:mm:ss")));
        scheduler->tick();
    }

    void quarantine(const QStringList& names)
    {
        ASSERT_TRUE(tables->create(TableId::Quarantine));
        ASSERT_TRUE(tables->use(TableId::Quarantine, [&names](Table& table) {
            for (const QString& name : names) {
                table.insert();
                table.setValue(u"Champ1", name);
                table.post();
            }
            return true;
        }));
    }

    // Ends every fake process of this name, as if it had finished by itself.
    void finish(const QString& name)
    {
        for (const auto& process : fake.processes.snapshot())
            if (process.name == name)
                fake.processes.terminate(process.pid);
        fake.processes.terminated.clear();
    }

    // Arguments of every start of `name`, in order.
    std::vector<QStringList> startsOf(const QString& name) const
    {
        std::vector<QStringList> out;
        for (const auto& call : spawner->calls)
            if (call.name == name)
                out.push_back(call.arguments);
        return out;
    }

    TestWorkspace workspace;
    FakePlatform fake;
    PanelState state;
    std::unique_ptr<RecordingSpawner> spawner;
    std::unique_ptr<EngineControl> engines;
    std::unique_ptr<TableFiles> tables;
    std::unique_ptr<Scheduler> scheduler;
};

} // namespace orvanel::testing
