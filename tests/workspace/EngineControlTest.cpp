// The process helpers against doubles: which program is started with which arguments,
// which processes are ended, and when a notification goes out.
#include "workspace/EngineControl.h"

#include "support/Doubles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace orvanel {
namespace {

using namespace Qt::StringLiterals;

// A process list that also shows the panel's own process, under the same name as an
// engine, so that a stop by that name would reach it if nothing kept it out.
class ListWithOwnProcess final : public platform::ProcessTable
{
public:
    std::vector<platform::ProcessInfo> snapshot() const override { return processes; }
    bool isRunning(QStringView) const override { return false; }
    bool isOwn(qint64) const override { return true; }
    QString programPath(qint64) const override { return u"/home/user/programs/engine"_s; }
    bool terminate(qint64 pid) override
    {
        ended.push_back(pid);
        return true;
    }
    std::optional<qint64> residentBytes(qint64) const override { return std::nullopt; }

    std::vector<platform::ProcessInfo> processes;
    std::vector<qint64> ended;
};

class EngineControlDoubles : public ::testing::Test
{
protected:
    QString dir() const { return QDir(m_dir.path()).canonicalPath() + u'/'; }

    QTemporaryDir m_dir;
    testing::FakeProcessTable m_processes;
    testing::RecordingSpawner m_spawner{&m_processes};
    testing::NeverBusyProbe m_probe;
    EngineControl m_engines{dir(), m_processes, m_spawner, m_probe};
};

TEST_F(EngineControlDoubles, StartRunsTheWorkspaceProgramWithSplitArguments)
{
    EXPECT_TRUE(m_engines.start(u"scandisk.exe"_s, uR"(1 "/home/a folder")"_s));
    EXPECT_TRUE(m_engines.start(u"tempsreel.exe"_s));
    ASSERT_EQ(m_spawner.calls.size(), 2u);
    EXPECT_EQ(m_spawner.calls[0].program, dir() + u"scandisk.exe"_s);
    EXPECT_EQ(m_spawner.calls[0].arguments, (QStringList{u"1"_s, u"/home/a folder"_s}));
    EXPECT_EQ(m_spawner.calls[1].program, dir() + u"tempsreel.exe"_s);
    EXPECT_EQ(m_spawner.calls[1].arguments, QStringList());
}

TEST_F(EngineControlDoubles, ArgumentStringIsNeverAShellCommand)
{
    EXPECT_TRUE(m_engines.start(u"ipcp.exe"_s, u"a.com; rm -rf ~"_s));
    ASSERT_EQ(m_spawner.calls.size(), 1u);
    EXPECT_EQ(m_spawner.calls[0].arguments, (QStringList{u"a.com;"_s, u"rm"_s, u"-rf"_s, u"~"_s}));
}

TEST_F(EngineControlDoubles, FailedStartIsAnswered)
{
    m_spawner.fail = true;
    EXPECT_FALSE(m_engines.start(u"pngi.exe"_s));
}

TEST_F(EngineControlDoubles, StopEndsEveryInstanceIgnoringLetterCase)
{
    m_processes.add(u"tempsreel.exe"_s);
    m_processes.add(u"pngi.exe"_s);
    m_processes.add(u"TempsReel.EXE"_s);
    m_processes.add(u"tempsreel.exe.bak"_s);
    EXPECT_TRUE(m_engines.stop(u"TEMPSREEL.EXE"_s));
    EXPECT_EQ(m_processes.terminated,
              (std::vector<QString>{u"tempsreel.exe"_s, u"TempsReel.EXE"_s}));
    EXPECT_EQ(m_processes.count(u"pngi.exe"_s), 1);
    EXPECT_EQ(m_processes.count(u"tempsreel.exe.bak"_s), 1);
    EXPECT_FALSE(m_engines.stop(u"tempsreel.exe"_s));
}

TEST_F(EngineControlDoubles, RunningTestIgnoresLetterCase)
{
    EXPECT_FALSE(m_engines.isRunning(u"tempsreel.exe"_s));
    m_processes.add(u"tempsreel.exe"_s);
    EXPECT_TRUE(m_engines.isRunning(u"TEMPSREEL.EXE"_s));
    EXPECT_FALSE(m_engines.isRunning(u"tempsreel"_s));
}

TEST_F(EngineControlDoubles, SnapshotGivesNamesAndDecimalIds)
{
    const qint64 first = m_processes.add(u"netpro.exe"_s);
    const qint64 second = m_processes.add(u"msgs.exe"_s);
    const ProcessSnapshot snapshot = m_engines.snapshot();
    EXPECT_EQ(snapshot.names, (QStringList{u"netpro.exe"_s, u"msgs.exe"_s}));
    EXPECT_EQ(snapshot.ids, (QStringList{QString::number(first), QString::number(second)}));
}

TEST(EngineControlOwnProcess, StopNeverEndsThePanelItself)
{
    ListWithOwnProcess processes;
    const qint64 own = QCoreApplication::applicationPid();
    processes.processes = {{u"orvanel"_s, own}, {u"orvanel"_s, own + 100000}};
    testing::RecordingSpawner spawner;
    testing::NeverBusyProbe probe;
    EngineControl engines(u"/nowhere/"_s, processes, spawner, probe);
    EXPECT_TRUE(engines.stop(u"Orvanel"_s));
    EXPECT_EQ(processes.ended, std::vector<qint64>{own + 100000});
}

TEST_F(EngineControlDoubles, NotificationOnlyAboveLevelOne)
{
    m_engines.notify(u"change registre"_s, 1);
    EXPECT_TRUE(m_spawner.calls.empty());
    m_engines.notify(u"change registre"_s, 2);
    m_engines.notify(u"change registre"_s, 3);
    ASSERT_EQ(m_spawner.calls.size(), 2u);
    for (const auto& call : m_spawner.calls) {
        EXPECT_EQ(call.program, dir() + u"msgs.exe"_s);
        EXPECT_EQ(call.arguments, QStringList{u"change;registre"_s});
    }
}

TEST_F(EngineControlDoubles, NotificationTextStaysOneArgument)
{
    m_engines.notify(uR"(say "a b" now)"_s, 2);
    ASSERT_EQ(m_spawner.calls.size(), 1u);
    EXPECT_EQ(m_spawner.calls[0].arguments, QStringList{uR"(say;"a;b";now)"_s});
}

TEST_F(EngineControlDoubles, LaunchPrefersTheWorkspaceProgram)
{
    // A program of the workspace that shadows one of the system.
    const QString own = dir() + u"true"_s;
    QFile f(own);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n");
    f.close();
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    EXPECT_TRUE(m_engines.launch(u"true 0"_s));
    ASSERT_EQ(m_spawner.calls.size(), 1u);
    EXPECT_EQ(m_spawner.calls[0].program, own);
    EXPECT_EQ(m_spawner.calls[0].arguments, QStringList{u"0"_s});
}

TEST_F(EngineControlDoubles, LaunchFallsBackToPath)
{
    EXPECT_TRUE(m_engines.launch(u"true a b"_s));
    ASSERT_EQ(m_spawner.calls.size(), 1u);
    EXPECT_NE(m_spawner.calls[0].program, dir() + u"true"_s);
    EXPECT_TRUE(m_spawner.calls[0].program.endsWith(u"/true"_s));
    EXPECT_EQ(m_spawner.calls[0].arguments, (QStringList{u"a"_s, u"b"_s}));
}

TEST_F(EngineControlDoubles, LaunchOfAnUnknownProgramStartsNothing)
{
    EXPECT_FALSE(m_engines.launch(u"no-such-program-of-orvanel.exe 0"_s));
    EXPECT_FALSE(m_engines.launch(QString()));
    EXPECT_FALSE(m_engines.launch(u"   "_s));
    // A file of the workspace that is not a program is not started either.
    QFile f(dir() + u"notes.txt"_s);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_FALSE(m_engines.launch(u"notes.txt"_s));
    EXPECT_TRUE(m_spawner.calls.empty());
}

} // namespace
} // namespace orvanel
