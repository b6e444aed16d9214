// The /proc process list: a made-up proc tree for the naming rules, and real engines
// started from a test workspace for the walk itself.
#include "../support/TestWorkspace.h"
#include "ProcessFacts.h"
#include "support/OtherAccount.h"

#include "platform/linux/LinuxProcessTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <map>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace orvanel::platform;
using orvanel::testing::TestWorkspace;

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

std::map<qint64, QString> byPid(const std::vector<ProcessInfo>& processes)
{
    std::map<qint64, QString> out;
    for (const auto& p : processes)
        out[p.pid] = p.name;
    return out;
}

// A stand-in for /proc with the cases the kernel produces.
class FakeProcTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        stat("100", "bash");
        QDir().mkpath(path("101")); // ended between the listing and the read
        file("abc/stat", "1 (not-a-process) S 0\n");
        stat("102", "longengine-name");
        link("102/exe", "/opt/ws/longengine-name-x.exe (deleted)");
        stat("103", "kworker/u4:1-ev"); // kernel thread: no exe link
        stat("104", "another-longnam");
        file("104/exe", "not a link"); // stands for a link the user may not read
        file("104/cmdline", QByteArray("/usr/lib/another-longname-daemon\0--flag\0", 41));
        stat("105", "fifteen-chr.exe");
        link("105/exe", "/ws/fifteen-chr.exe");
        file("106", "a plain file with a numeric name");
        stat("107", "zeroes");
        file("107/status", "Name:\tzeroes\nUid:\t4242\t4242\t4242\t4242\nVmRSS:\t    2048 kB\n");
        stat("108", "kthreadd");
        file("108/status", "Name:\tkthreadd\nState:\tS (sleeping)\n");
        stat("0123", "leading-zero");
        stat("109", "defunct.exe", 'Z'); // ended, not yet collected by its parent
        stat("110", "odd) (name");
        // Another account's program named after the scan engine, and a program of another
        // account that the user started through a set-user-id file (its real user is ours).
        stat("111", "scanwapper.exe", 'S', kOther);
        stat("112", "sauvegarde.exe", 'S', kUser, kOther);
    }

    static constexpr uid_t kUser = 4242;
    static constexpr uid_t kOther = 4343;

    void stat(const char* pid, const char* name, char state = 'S', uid_t real = kUser,
              uid_t effective = kUser)
    {
        file(QByteArray(QByteArray(pid) + "/stat").constData(),
             QByteArray(pid) + " (" + name + ") " + state + " 1 " + pid + " " + pid + " 0\n");
        file(QByteArray(QByteArray(pid) + "/status").constData(),
             QByteArray("Name:\t") + name + "\nUid:\t" + QByteArray::number(real) + '\t' +
                 QByteArray::number(effective) + '\t' + QByteArray::number(effective) + '\t' +
                 QByteArray::number(effective) + "\n");
    }
    QString path(const char* relative) const { return m_dir.path() + q("/") + q(relative); }
    void file(const char* relative, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile f(path(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void link(const char* relative, const char* target)
    {
        ASSERT_TRUE(QFile::link(q(target), path(relative)));
    }
    LinuxProcessTable table(uid_t user = kUser) const
    {
        return LinuxProcessTable(QFile::encodeName(m_dir.path()), user);
    }

    QTemporaryDir m_dir;
};

TEST_F(FakeProcTree, NamesFollowTheCommAndItsCutRule)
{
    const std::map<qint64, QString> expected = {
        {100, q("bash")},
        {102, q("longengine-name-x.exe")},
        {103, q("kworker/u4:1-ev")},
        {104, q("another-longname-daemon")},
        {105, q("fifteen-chr.exe")},
        {107, q("zeroes")},
        {108, q("kthreadd")},
        {110, q("odd) (name")},
        {111, q("scanwapper.exe")},
        {112, q("sauvegarde.exe")},
    };
    EXPECT_EQ(byPid(table().snapshot()), expected);
}

TEST_F(FakeProcTree, RunningTestFindsWholeNamesOnly)
{
    const auto t = table();
    EXPECT_TRUE(t.isRunning(u"BASH"));
    EXPECT_TRUE(t.isRunning(u"longengine-name-x.exe"));
    EXPECT_TRUE(t.isRunning(u"LongEngine-Name-X.EXE"));
    EXPECT_FALSE(t.isRunning(u"longengine-name")); // the cut form is not the program's name
    EXPECT_TRUE(t.isRunning(u"another-longname-daemon"));
    EXPECT_TRUE(t.isRunning(u"fifteen-chr.exe"));
    EXPECT_TRUE(t.isRunning(u"kworker/u4:1-ev"));
    EXPECT_FALSE(t.isRunning(u"not-a-process"));
    EXPECT_FALSE(t.isRunning(u"leading-zero"));
    EXPECT_FALSE(t.isRunning(u""));
    EXPECT_FALSE(t.isRunning(u"bas"));
    EXPECT_FALSE(t.isRunning(u"defunct.exe"));
    EXPECT_TRUE(t.isRunning(u"ODD) (NAME"));
}

TEST_F(FakeProcTree, OnlyProcessesOfTheUsersOwnRealIdCount)
{
    const struct
    {
        uid_t user;
        const char* name;
        qint64 pid;
        bool own;
    } cases[] = {
        {kUser, "scanwapper.exe", 111, false}, // another account's, whatever its name
        {kOther, "scanwapper.exe", 111, true},
        {kUser, "sauvegarde.exe", 112, true}, // the real user id decides
        {kOther, "sauvegarde.exe", 112, false},
        {kUser, "bash", 100, true},
        {kOther, "bash", 100, false},
        {kUser, "not-a-process", 101, false}, // no status: nobody's
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " for user " + std::to_string(c.user));
        const auto t = table(c.user);
        EXPECT_EQ(t.isRunning(q(c.name)), c.own);
        EXPECT_EQ(t.isOwn(c.pid), c.own);
    }
    EXPECT_EQ(byPid(table(kUser).snapshot()).at(111), q("scanwapper.exe")) << "still listed";
}

TEST_F(FakeProcTree, ResidentBytesFromStatus)
{
    const auto t = table();
    EXPECT_EQ(t.residentBytes(107), 2048 * 1024);
    EXPECT_EQ(t.residentBytes(108), 0);            // a kernel thread holds no user memory
    EXPECT_EQ(t.residentBytes(101), std::nullopt); // no status to read
    EXPECT_EQ(t.residentBytes(0), std::nullopt);
    EXPECT_EQ(t.residentBytes(-107), std::nullopt);
}

TEST(ProcessTableFacts, MissingProcRootGivesAnEmptyList)
{
    LinuxProcessTable table(QByteArrayLiteral("/nonexistent/proc"));
    EXPECT_TRUE(table.snapshot().empty());
    EXPECT_FALSE(table.isRunning(u"bash"));
}

class ProcessTableLive : public ::testing::Test
{
protected:
    static bool gone(const LinuxProcessTable& table, QStringView name)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (table.isRunning(name)) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            QThread::msleep(10);
        }
        return true;
    }

    TestWorkspace m_ws;
    LinuxProcessTable m_table;
};

TEST_F(ProcessTableLive, SnapshotHoldsThisProcess)
{
    const auto names = byPid(m_table.snapshot());
    ASSERT_EQ(names.count(getpid()), 1u);
    EXPECT_EQ(names.at(getpid()).toUtf8(), orvanel::testing::ownComm());
}

TEST_F(ProcessTableLive, EnginesAreFoundByTheirWholeName)
{
    const QStringList engines = {q("tempsreel.exe"), q("longengine-name-x.exe"),
                                 q("fifteen-chr.exe")};
    m_ws.installEngines(engines);
    std::map<qint64, QString> started;
    for (const QString& name : engines) {
        const qint64 pid = m_ws.startEngine(name);
        ASSERT_GT(pid, 0);
        started[pid] = name;
        ASSERT_TRUE(m_ws.waitRunning(name, 1));
    }
    const auto names = byPid(m_table.snapshot());
    for (const auto& [pid, name] : started) {
        ASSERT_EQ(names.count(pid), 1u) << name.toStdString();
        EXPECT_EQ(names.at(pid), name);
    }
    EXPECT_TRUE(m_table.isRunning(u"TEMPSREEL.EXE"));
    EXPECT_TRUE(m_table.isRunning(u"longengine-name-x.exe"));
    EXPECT_TRUE(m_table.isRunning(u"fifteen-chr.exe"));
    EXPECT_FALSE(m_table.isRunning(u"longengine-name"));
}

TEST_F(ProcessTableLive, TerminateEndsTheEngine)
{
    // A name no other test starts: the table reads the whole machine.
    m_ws.installEngines({q("ending-eng.exe")});
    const qint64 pid = m_ws.startEngine(q("ending-eng.exe"));
    ASSERT_TRUE(m_ws.waitRunning(q("ending-eng.exe"), 1));
    ASSERT_TRUE(m_table.isRunning(u"ending-eng.exe"));
    EXPECT_TRUE(m_table.terminate(pid));
    EXPECT_TRUE(m_ws.waitRunning(q("ending-eng.exe"), 0));
    EXPECT_TRUE(gone(m_table, u"ending-eng.exe"));
}

TEST_F(ProcessTableLive, EndedButUncollectedProcessIsNotRunning)
{
    int ended[2];
    ASSERT_EQ(pipe(ended), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::prctl(PR_SET_NAME, "zombie-eng.exe");
        ::_exit(0);
    }
    ::close(ended[1]);
    char byte;
    ASSERT_EQ(::read(ended[0], &byte, 1), 0); // end of file: the child has ended
    ::close(ended[0]);
    // Not yet collected: /proc still lists the child as a zombie.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (orvanel::testing::procStat(child)->state != 'Z' &&
           std::chrono::steady_clock::now() < deadline)
        QThread::msleep(5);
    ASSERT_EQ(orvanel::testing::procStat(child)->state, 'Z');
    EXPECT_FALSE(m_table.isRunning(u"zombie-eng.exe"));
    EXPECT_EQ(byPid(m_table.snapshot()).count(child), 0u);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
}

TEST_F(ProcessTableLive, AnotherAccountsEngineNamesAreNotTheUsers)
{
    // Seen from another account, the user's own engine is not running and not its own.
    m_ws.installEngines({q("pngi.exe")});
    const qint64 pid = m_ws.startEngine(q("pngi.exe"));
    ASSERT_TRUE(m_ws.waitRunning(q("pngi.exe"), 1));
    EXPECT_TRUE(m_table.isOwn(pid));
    EXPECT_EQ(m_table.programPath(pid), QFileInfo(m_ws.path(q("pngi.exe"))).canonicalFilePath());
    const LinuxProcessTable elsewhere(QByteArrayLiteral("/proc"), ::getuid() + 1);
    EXPECT_FALSE(elsewhere.isRunning(u"pngi.exe"));
    EXPECT_FALSE(elsewhere.isOwn(pid));

    // A real second account's engine: listed, never the user's. Its name is one no other
    // test starts, as the user's own table reads the whole machine while they run.
    orvanel::testing::OtherAccount other;
    ORVANEL_NEEDS_OTHER_ACCOUNT(other);
    QTemporaryDir shared;
    ASSERT_EQ(::chmod(QFile::encodeName(shared.path()).constData(), 0755), 0);
    const QString program = shared.path() + q("/theirscan.exe");
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANEL_TEST_ENGINE), program));
    ASSERT_EQ(::chmod(QFile::encodeName(program).constData(), 0755), 0);
    const pid_t theirs = other.start(program, {});
    ASSERT_GT(theirs, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (byPid(m_table.snapshot()).count(theirs) == 0 ||
           byPid(m_table.snapshot()).at(theirs) != q("theirscan.exe")) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        QThread::msleep(10);
    }
    EXPECT_FALSE(m_table.isRunning(u"theirscan.exe"));
    EXPECT_FALSE(m_table.isOwn(theirs));
    const LinuxProcessTable theirTable(QByteArrayLiteral("/proc"), other.uid());
    EXPECT_TRUE(theirTable.isRunning(u"theirscan.exe"));
}

TEST_F(ProcessTableLive, OwnProcessAndNonProcessesAreRefused)
{
    EXPECT_FALSE(m_table.terminate(getpid()));
    EXPECT_FALSE(m_table.terminate(qint64(INT_MAX))); // no such process
    EXPECT_FALSE(m_table.terminate(qint64(INT_MAX) + 1));
    // Still alive to tell.
    EXPECT_EQ(orvanel::testing::procStat(getpid())->state != 'Z', true);
}

TEST_F(ProcessTableLive, ResidentBytesOfRunningProcesses)
{
    m_ws.installEngines({q("netpro.exe")});
    const qint64 pid = m_ws.startEngine(q("netpro.exe"));
    ASSERT_TRUE(m_ws.waitRunning(q("netpro.exe"), 1));
    const auto own = m_table.residentBytes(getpid());
    ASSERT_TRUE(own.has_value());
    EXPECT_GT(*own, 0);
    const auto engine = m_table.residentBytes(pid);
    ASSERT_TRUE(engine.has_value());
    EXPECT_GT(*engine, 0);
    EXPECT_EQ(*engine % 1024, 0);
    EXPECT_EQ(m_table.residentBytes(qint64(INT_MAX)), std::nullopt);
}

} // namespace
