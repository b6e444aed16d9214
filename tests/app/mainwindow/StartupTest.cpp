// The process start: one instance per user, the workspace folder and the end of the
// session, and the built program started twice.
#include "app/Startup.h"
#include "panel/UserWorkspace.h"
#include "platform/linux/FlockSingleInstanceLock.h"
#include "support/TestWorkspace.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace orvanel::testing {
namespace {

using namespace Qt::StringLiterals;

class AnswerLock final : public platform::SingleInstanceLock
{
public:
    explicit AnswerLock(int answer) : m_answer(answer) {}
    int acquire(const QString& name) override
    {
        asked = name;
        return m_answer;
    }
    QString asked;

private:
    int m_answer;
};

TEST(InstanceLock, SecondHolderInTheSameRuntimeFolderMustEnd)
{
    QTemporaryDir runtime;
    platform::FlockSingleInstanceLock first(runtime.path());
    platform::FlockSingleInstanceLock second(runtime.path());

    EXPECT_TRUE(startup::takeInstanceLock(first));
    EXPECT_FALSE(startup::takeInstanceLock(second));
}

TEST(InstanceLock, LockIsFreeAgainOnceItsHolderIsGone)
{
    QTemporaryDir runtime;
    {
        platform::FlockSingleInstanceLock first(runtime.path());
        ASSERT_TRUE(startup::takeInstanceLock(first));
    }
    platform::FlockSingleInstanceLock again(runtime.path());
    EXPECT_TRUE(startup::takeInstanceLock(again));
}

TEST(InstanceLock, AlreadyExistsAndAccessDeniedEndTheStartOtherAnswersDoNot)
{
    AnswerLock exists(183), denied(5), acquired(0), otherFailure(31);
    EXPECT_FALSE(startup::takeInstanceLock(exists));
    EXPECT_FALSE(startup::takeInstanceLock(denied));
    EXPECT_TRUE(startup::takeInstanceLock(acquired));
    EXPECT_TRUE(startup::takeInstanceLock(otherFailure));
    EXPECT_EQ(exists.asked, QStringLiteral("Orvanel.exe"));
}

TEST(WorkspaceFolder, IsTheProgramsFolderWithLinksResolvedAndATrailingSlash)
{
    QTemporaryDir dir;
    const QString real = QDir(dir.path()).canonicalPath();
    ASSERT_TRUE(QDir(real).mkdir(QStringLiteral("install")));
    QFile program(real + QStringLiteral("/install/orvanel"));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.close();
    ASSERT_TRUE(QFile::link(program.fileName(), real + QStringLiteral("/orvanel-link")));

    EXPECT_EQ(install::workspaceDirOf(real + QStringLiteral("/orvanel-link")),
              real + QStringLiteral("/install/"));
    EXPECT_EQ(install::workspaceDirOf(program.fileName()), real + QStringLiteral("/install/"));
}

TEST(SessionEnd, TerminationAndHangUpSignalsArriveThroughTheEventLoop)
{
    startup::SessionEndWatcher watcher;
    ASSERT_TRUE(watcher.watchesSignals());
    QSignalSpy ending(&watcher, &startup::SessionEndWatcher::sessionEnding);

    ::raise(SIGHUP);
    EXPECT_EQ(ending.count(), 0) << "nothing runs inside the signal handler";
    EXPECT_TRUE(ending.wait(5000));

    ::raise(SIGTERM);
    EXPECT_TRUE(ending.wait(5000));
    EXPECT_EQ(ending.count(), 2);
}

TEST(SessionEnd, TheSessionManagersQuitEndsTheProgramThroughTheWatcher)
{
    startup::SessionEndWatcher watcher;
    QSignalSpy ending(&watcher, &startup::SessionEndWatcher::sessionEnding);
    // The session manager's "die" reaches the application as a quit event.
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(qApp, &quit);
    EXPECT_EQ(ending.count(), 1);
}

#ifdef ORVANEL_PROGRAM

// Runs the built program with every per-user folder in a temporary folder.
class BuiltProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ws.installAllEngines();
        program = ws.path(QStringLiteral("orvanel"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANEL_PROGRAM), program));
        QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment = env;
    }

    QString autostartEntry() const
    {
        return home.path() + QStringLiteral("/config/autostart/Orvanel.desktop");
    }

    TestWorkspace ws;
    QTemporaryDir runtime;
    QTemporaryDir home;
    QString program;
    QProcessEnvironment environment;
};

TEST_F(BuiltProgram, SecondStartEndsAtOnceWhileTheFirstRuns)
{
    // The first instance runs in a process namespace of its own, so that ending the
    // engines by name at its start reaches only the engines it started itself.
    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral("unshare"),
                {QStringLiteral("--pid"), QStringLiteral("--fork"), QStringLiteral("--mount-proc"),
                 QStringLiteral("--kill-child=SIGTERM"), program});
    if (!first.waitForStarted(5000))
        GTEST_SKIP() << "unshare cannot be started here";
    QTRY_VERIFY_WITH_TIMEOUT(
        QFile::exists(autostartEntry()) || first.state() == QProcess::NotRunning, 30000);
    if (first.state() == QProcess::NotRunning)
        GTEST_SKIP() << "no process namespace here: " << first.readAllStandardError().toStdString();
    ASSERT_TRUE(ws.waitRunning(QStringLiteral("tempsreel.exe"), 1, std::chrono::seconds(20)));

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(program, {});
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    // The second start reached neither the workspace nor the engines.
    EXPECT_EQ(ws.starts(QStringLiteral("tempsreel.exe")).size(), 1);
    EXPECT_EQ(first.state(), QProcess::Running);

    // unshare itself ignores SIGTERM; ending it hands SIGTERM to the program, which
    // stops its engines as at the end of a session and quits.
    first.kill();
    EXPECT_TRUE(first.waitForFinished(30000));
    EXPECT_TRUE(ws.waitRunning(QStringLiteral("tempsreel.exe"), 0, std::chrono::seconds(20)));
    EXPECT_TRUE(ws.waitRunning(QStringLiteral("orvanel"), 0, std::chrono::seconds(20)));
}

// Whether the process catches SIGTERM, as /proc tells.
bool catchesTermination(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
    }
    return false;
}

TEST_F(BuiltProgram, EndOfTheSessionWhileAStartErrorBoxWaitsEndsTheProgram)
{
    // An autostart entry without a command: the start shows an error box and waits.
    ASSERT_TRUE(QDir().mkpath(home.path() + u"/config/autostart"_s));
    QFile entry(autostartEntry());
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Orvanel\n");
    entry.close();

    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(this->program, {});
    ASSERT_TRUE(program.waitForStarted(5000));
    // Caught from the first moment; a program that does not gets the signal all the same.
    EXPECT_TRUE(
        QTest::qWaitFor([&program] { return catchesTermination(program.processId()); }, 10000));
    ::kill(pid_t(program.processId()), SIGTERM);

    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_FALSE(ws.exists(u"track.txt"_s)) << "the start ended at the box";
}

TEST_F(BuiltProgram, SaveBeyondTheFileSizeLimitFailsWithoutEndingTheProgram)
{
    // Run in a process namespace of its own, as above, but under a shell: the first
    // process of a namespace is spared signals it does not handle, SIGXFSZ among them.
    QProcess first;
    first.setProcessEnvironment(environment);
    first.setChildProcessModifier([] {
        const rlimit small{512, 512}; // a table of rules takes more
        ::setrlimit(RLIMIT_FSIZE, &small);
    });
    first.start(u"unshare"_s, {u"--pid"_s, u"--fork"_s, u"--mount-proc"_s, u"--kill-child"_s,
                               u"sh"_s, u"-c"_s, u"\"$0\"; exit"_s, program});
    if (!first.waitForStarted(5000))
        GTEST_SKIP() << "unshare cannot be started here";

    QTRY_VERIFY_WITH_TIMEOUT(
        QFile::exists(autostartEntry()) || first.state() == QProcess::NotRunning, 30000);
    if (!QFile::exists(autostartEntry()))
        GTEST_SKIP() << "no process namespace here: " << first.readAllStandardError().toStdString();

    // The resident engines start after every table: the start got past the failed saves.
    const bool started = ws.waitRunning(u"tempsreel.exe"_s, 1, std::chrono::seconds(20));
    EXPECT_TRUE(started);
    // One panel; a child it is starting shows the panel's program until its exec.
    EXPECT_TRUE(ws.waitRunning(u"orvanel"_s, 1, std::chrono::seconds(5)));
    EXPECT_FALSE(ws.exists(u"regles.xml"_s)) << "nothing half-written is left";

    first.kill();
    EXPECT_TRUE(first.waitForFinished(30000));
    EXPECT_TRUE(ws.waitRunning(u"orvanel"_s, 0, std::chrono::seconds(20)));
}

TEST_F(BuiltProgram, ARuntimeFolderOthersCanWriteStopsTheStartWithItsReason)
{
    // Not a second instance: the start says why instead of ending without a word.
    ASSERT_EQ(::chmod(QFile::encodeName(runtime.path()).constData(), 0777), 0);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(this->program, {});
    ASSERT_TRUE(program.waitForStarted(5000));
    QByteArray said;
    const bool told = QTest::qWaitFor(
        [&] {
            said += program.readAllStandardError();
            return said.contains("cannot start") || program.state() == QProcess::NotRunning;
        },
        30000);
    EXPECT_TRUE(told);
    EXPECT_TRUE(said.contains("can be written by other users")) << said.toStdString();
    EXPECT_FALSE(QFile::exists(runtime.path() + u"/Orvanel.exe"_s)) << "no lock taken there";
    EXPECT_FALSE(ws.exists(u"track.txt"_s)) << "the workspace was not touched";
    program.kill(); // the error box waits for the user
    program.waitForFinished(30000);
}

TEST_F(BuiltProgram, StartWhileTheLockIsHeldLeavesNoTrace)
{
    platform::FlockSingleInstanceLock holder(runtime.path());
    ASSERT_TRUE(startup::takeInstanceLock(holder));

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(program, {});
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(autostartEntry()));
    EXPECT_FALSE(ws.exists(QStringLiteral("track.txt")));
    EXPECT_TRUE(second.readAllStandardError().isEmpty());
}

#endif

} // namespace
} // namespace orvanel::testing
