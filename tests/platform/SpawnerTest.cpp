// Engines started detached: exact arguments, own session, no streams, nothing to reap.
#include "../support/TestWorkspace.h"
#include "ProcessFacts.h"

#include "platform/linux/LinuxSpawner.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

using namespace orvanel::platform;
using orvanel::testing::TestWorkspace;

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

class SpawnerTest : public ::testing::Test
{
protected:
    qint64 onlyProcess() const
    {
        const QList<qint64> pids = m_ws.ownProcesses();
        return pids.size() == 1 ? pids.front() : -1;
    }

    TestWorkspace m_ws;
    LinuxSpawner m_spawner;
};

TEST_F(SpawnerTest, ArgumentsArriveExactlyAsGiven)
{
    m_ws.installEngines({q("scandisk.exe")});
    const QStringList args = {q("1"), q("/a folder/with blanks"), q(""), q("élève")};
    ASSERT_TRUE(m_spawner.spawn(m_ws.path(q("scandisk.exe")), args));
    EXPECT_EQ(m_ws.starts(q("scandisk.exe"), 1), QStringList{args.join(QLatin1Char('\t'))});
}

TEST_F(SpawnerTest, ShellSyntaxReachesTheEngineLiterally)
{
    m_ws.installEngines({q("ipcp.exe")});
    const QStringList args = {q("a.com; rm -rf ~"), q("$(touch pwned)"), q("`touch pwned2`"),
                              q("x > pwned3"), q("*")};
    ASSERT_TRUE(m_spawner.spawn(m_ws.path(q("ipcp.exe")), args));
    EXPECT_EQ(m_ws.starts(q("ipcp.exe"), 1), QStringList{args.join(QLatin1Char('\t'))});
    for (const char* name : {"pwned", "pwned2", "pwned3"}) {
        EXPECT_FALSE(m_ws.exists(q(name)));
        EXPECT_FALSE(QFile::exists(QDir::current().filePath(q(name))));
    }
}

TEST_F(SpawnerTest, NoArgumentsGiveAnEmptyRecord)
{
    m_ws.installEngines({q("pop_kent.exe")});
    ASSERT_TRUE(m_spawner.spawn(m_ws.path(q("pop_kent.exe")), {}));
    EXPECT_EQ(m_ws.starts(q("pop_kent.exe"), 1), QStringList{QString()});
}

TEST_F(SpawnerTest, EngineRunsInItsOwnSessionWithoutStreams)
{
    m_ws.installEngines({q("tempsreel.exe")});
    // A descriptor of the panel without close-on-exec, such as a held lock.
    const int leaky =
        ::open(QFile::encodeName(m_ws.path(q("held.lock"))).constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(leaky, 3);
    const bool spawned = m_spawner.spawn(m_ws.path(q("tempsreel.exe")), {});
    ::close(leaky);
    ASSERT_TRUE(spawned);
    ASSERT_TRUE(m_ws.waitRunning(q("tempsreel.exe"), 1));
    const qint64 pid = onlyProcess();
    ASSERT_GT(pid, 0);
    const auto stat = orvanel::testing::procStat(pid);
    ASSERT_TRUE(stat.has_value());
    // A session of its own, apart from the panel's (led by the go-between child that
    // ended, so the engine can never take a controlling terminal).
    EXPECT_NE(stat->session, orvanel::testing::procStat(getpid())->session);
    EXPECT_NE(stat->session, 0);
    EXPECT_NE(stat->parent, getpid()); // and is not the panel's child
    for (int fd = 0; fd <= 2; ++fd)
        EXPECT_EQ(QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/%2").arg(pid).arg(fd)),
                  q("/dev/null"))
            << "fd " << fd;
    // The panel's descriptor never reaches it; one the engine's own runtime opens while it
    // starts (the sanitizers read /proc/self/maps) may come and go, so the list is read
    // again until only the three streams are left.
    const QDir fdDir(QStringLiteral("/proc/%1/fd").arg(pid));
    QStringList fds;
    for (int tries = 0; tries < 100; ++tries) {
        fds = fdDir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        for (const QString& fd : std::as_const(fds))
            EXPECT_NE(QFile::symLinkTarget(fdDir.filePath(fd)), m_ws.path(q("held.lock")));
        if (fds == QStringList{q("0"), q("1"), q("2")})
            break;
        QThread::msleep(20);
    }
    EXPECT_EQ(fds, (QStringList{q("0"), q("1"), q("2")}));
}

TEST_F(SpawnerTest, NothingIsLeftToReap)
{
    m_ws.installEngines({q("pngi.exe")});
    const QByteArray own = orvanel::testing::ownComm();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(m_spawner.spawn(m_ws.path(q("pngi.exe")), {}));
    ASSERT_TRUE(m_ws.waitRunning(q("pngi.exe"), 3));
    // The go-between children were reaped by spawn itself.
    EXPECT_EQ(orvanel::testing::zombieChildren(own), 0);
    for (qint64 pid : m_ws.ownProcesses())
        EXPECT_NE(orvanel::testing::procStat(pid)->parent, getpid());
}

TEST_F(SpawnerTest, ProgramsThatCannotRunAnswerFalse)
{
    m_ws.write(q("plain.txt"), "not a program\n");
    m_ws.write(q("noformat.exe"), "neither script nor binary\n");
    QFile::setPermissions(m_ws.path(q("noformat.exe")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QDir(m_ws.dir()).mkdir(q("folder.exe"));
    EXPECT_FALSE(m_spawner.spawn(m_ws.path(q("missing.exe")), {}));
    EXPECT_FALSE(m_spawner.spawn(m_ws.path(q("plain.txt")), {}));
    EXPECT_FALSE(m_spawner.spawn(m_ws.path(q("folder.exe")), {}));
    EXPECT_FALSE(m_spawner.spawn(QString(), {}));
    // Executable, but the exec itself fails: the failure comes back from the child.
    EXPECT_FALSE(m_spawner.spawn(m_ws.path(q("noformat.exe")), {q("x")}));
    EXPECT_TRUE(m_ws.ownProcesses().isEmpty());
    EXPECT_EQ(orvanel::testing::zombieChildren(orvanel::testing::ownComm()), 0);
}

} // namespace
