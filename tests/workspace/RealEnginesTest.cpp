// The process helpers with real engine processes: copies of the test engine in a
// temporary workspace, seen through a process list that shows nothing else, so that
// no process of the machine is ever touched.
#include "workspace/EngineControl.h"

#include "platform/linux/FlockProbe.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/linux/LinuxSpawner.h"
#include "support/TestWorkspace.h"

#include <QFile>

#include <gtest/gtest.h>

namespace orvanel {
namespace {

using namespace Qt::StringLiterals;

class RealEngines : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_ws.installEngines(
            {u"tempsreel.exe"_s, u"pngi.exe"_s, u"ipcp.exe"_s, u"msgs.exe"_s, u"scanwapper.exe"_s});
    }

    testing::TestWorkspace m_ws;
    platform::LinuxProcessTable m_system;
    testing::ScopedProcessTable m_processes{m_system, m_ws.dir()};
    platform::LinuxSpawner m_spawner;
    platform::FlockProbe m_probe;
    EngineControl m_engines{m_ws.dir(), m_processes, m_spawner, m_probe};
};

TEST_F(RealEngines, OneStopEndsBothInstances)
{
    ASSERT_TRUE(m_engines.start(u"tempsreel.exe"_s));
    ASSERT_TRUE(m_engines.start(u"tempsreel.exe"_s));
    ASSERT_TRUE(m_engines.start(u"pngi.exe"_s));
    ASSERT_TRUE(m_ws.waitRunning(u"tempsreel.exe"_s, 2));
    ASSERT_TRUE(m_ws.waitRunning(u"pngi.exe"_s, 1));

    EXPECT_TRUE(m_engines.stop(u"tempsreel.exe"_s));
    EXPECT_TRUE(m_ws.waitRunning(u"tempsreel.exe"_s, 0));
    EXPECT_EQ(m_ws.running(u"pngi.exe"_s), 1);
}

TEST_F(RealEngines, RunningTestIgnoresLetterCase)
{
    EXPECT_FALSE(m_engines.isRunning(u"TEMPSREEL.EXE"_s));
    ASSERT_TRUE(m_engines.start(u"tempsreel.exe"_s));
    ASSERT_TRUE(m_ws.waitRunning(u"tempsreel.exe"_s, 1));
    EXPECT_TRUE(m_engines.isRunning(u"TEMPSREEL.EXE"_s));
    EXPECT_TRUE(m_engines.snapshot().names.contains(u"tempsreel.exe"_s));

    EXPECT_TRUE(m_engines.stop(u"TempsReel.exe"_s));
    ASSERT_TRUE(m_ws.waitRunning(u"tempsreel.exe"_s, 0));
    EXPECT_FALSE(m_engines.isRunning(u"TEMPSREEL.EXE"_s));
    EXPECT_FALSE(m_engines.stop(u"tempsreel.exe"_s));
}

TEST_F(RealEngines, NotificationReachesMsgsWithBlanksReplaced)
{
    m_engines.notify(u"change registre"_s, 1);
    m_engines.notify(u"change registre"_s, 2);
    m_engines.notify(uR"(ended "x y.exe")"_s, 3);
    const QStringList starts = m_ws.starts(u"msgs.exe"_s, 2);
    EXPECT_EQ(starts.size(), 2);
    EXPECT_TRUE(starts.contains(u"change;registre"_s)) << starts.join(u'|').toStdString();
    EXPECT_TRUE(starts.contains(uR"(ended;"x;y.exe")"_s)) << starts.join(u'|').toStdString();
}

TEST_F(RealEngines, ShellTextReachesTheEngineAsPlainArguments)
{
    const QString marker = m_ws.path(u"touched"_s);
    ASSERT_TRUE(m_engines.start(u"ipcp.exe"_s, u"a.com; rm -rf ~ $(touch %1)"_s.arg(marker)));
    const QStringList starts = m_ws.starts(u"ipcp.exe"_s, 1);
    ASSERT_EQ(starts.size(), 1);
    EXPECT_EQ(starts[0], u"a.com;\trm\t-rf\t~\t$(touch\t%1)"_s.arg(marker));
    EXPECT_FALSE(QFile::exists(marker));
}

TEST_F(RealEngines, LaunchFindsTheWorkspaceProgramFirst)
{
    // A workspace program named like a system one: the workspace wins.
    m_ws.installEngines({u"sleep"_s});
    ASSERT_TRUE(m_engines.launch(u"sleep 0"_s));
    const QStringList starts = m_ws.starts(u"sleep"_s, 1);
    EXPECT_EQ(starts, QStringList{u"0"_s});
    EXPECT_TRUE(m_ws.waitRunning(u"sleep"_s, 1));
}

TEST_F(RealEngines, LaunchOfAnEngineWithItsArgument)
{
    ASSERT_TRUE(m_engines.launch(u"scanwapper.exe 0"_s));
    EXPECT_EQ(m_ws.starts(u"scanwapper.exe"_s, 1), QStringList{u"0"_s});
}

} // namespace
} // namespace orvanel
