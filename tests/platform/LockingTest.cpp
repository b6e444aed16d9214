// The file-free test and the single-instance lock, against locks held by processes the
// tests start themselves.
#include "ProcessFacts.h"
#include "support/OtherAccount.h"

#include "platform/linux/FlockProbe.h"
#include "platform/linux/FlockSingleInstanceLock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace orvanel::platform;
using orvanel::testing::LockHolder;

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

class LockingTest : public ::testing::Test
{
protected:
    QString path(const char* name) const { return m_dir.path() + q("/") + q(name); }
    void touch(const char* name) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }

    QTemporaryDir m_dir;
    FlockProbe m_probe;
};

TEST_F(LockingTest, MissingAndUnheldFilesAreFree)
{
    EXPECT_FALSE(m_probe.isBusy(path("regles.xml")));
    touch("regles.xml");
    EXPECT_FALSE(m_probe.isBusy(path("regles.xml")));
    EXPECT_FALSE(m_probe.isBusy(path("regles.xml"))); // the probe keeps no lock of its own
}

TEST_F(LockingTest, FileIsBusyWhileAnotherProcessHoldsIt)
{
    touch("alertes.xml");
    LockHolder holder(path("alertes.xml"));
    ASSERT_TRUE(holder.locked());
    EXPECT_TRUE(m_probe.isBusy(path("alertes.xml")));
    holder.end();
    EXPECT_FALSE(m_probe.isBusy(path("alertes.xml")));
}

TEST_F(LockingTest, FileThatCannotBeOpenedForWritingIsBusy)
{
    // A program file that runs cannot be opened for writing, not even by the superuser.
    ASSERT_TRUE(QFile::link(QFile::symLinkTarget(q("/proc/self/exe")), path("site.xml")));
    EXPECT_TRUE(m_probe.isBusy(path("site.xml")));
}

TEST_F(LockingTest, SecondInstanceFindsTheLockTaken)
{
    auto first = std::make_unique<FlockSingleInstanceLock>(m_dir.path());
    EXPECT_EQ(first->acquire(q("Orvanel.exe")), SingleInstanceLock::Acquired);
    FlockSingleInstanceLock second(m_dir.path());
    EXPECT_EQ(second.acquire(q("Orvanel.exe")), SingleInstanceLock::AlreadyExists);
    EXPECT_EQ(second.acquire(q("Other.exe")), SingleInstanceLock::Acquired);
    first.reset();
    FlockSingleInstanceLock third(m_dir.path());
    EXPECT_EQ(third.acquire(q("Orvanel.exe")), SingleInstanceLock::Acquired);
}

TEST_F(LockingTest, LockHeldByAnotherProcess)
{
    LockHolder holder(path("Orvanel.exe"));
    ASSERT_TRUE(holder.locked());
    EXPECT_EQ(FlockSingleInstanceLock(m_dir.path()).acquire(q("Orvanel.exe")),
              SingleInstanceLock::AlreadyExists);
    holder.end(); // the kernel drops the lock with the process: nothing stale remains
    EXPECT_EQ(FlockSingleInstanceLock(m_dir.path()).acquire(q("Orvanel.exe")),
              SingleInstanceLock::Acquired);
}

TEST_F(LockingTest, LinkedLockFileIsAccessDenied)
{
    touch("elsewhere");
    ASSERT_TRUE(QFile::link(path("elsewhere"), path("Orvanel.exe")));
    EXPECT_EQ(FlockSingleInstanceLock(m_dir.path()).acquire(q("Orvanel.exe")),
              SingleInstanceLock::AccessDenied);
}

TEST_F(LockingTest, UnreadableLockFileIsAccessDenied)
{
    touch("Orvanel.exe");
    ASSERT_EQ(::chmod(QFile::encodeName(path("Orvanel.exe")).constData(), 0), 0);
    if (::geteuid() != 0) {
        EXPECT_EQ(FlockSingleInstanceLock(m_dir.path()).acquire(q("Orvanel.exe")),
                  SingleInstanceLock::AccessDenied);
        return;
    }
    // Root opens any file: ask from a child that runs as an ordinary user.
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(100);
        FlockSingleInstanceLock lock(m_dir.path());
        ::_exit(lock.acquire(q("Orvanel.exe")));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), SingleInstanceLock::AccessDenied);
}

TEST_F(LockingTest, MissingRuntimeFolder)
{
    FlockSingleInstanceLock lock(path("no-such-folder"));
    EXPECT_EQ(lock.acquire(q("Orvanel.exe")), FlockSingleInstanceLock::PathNotFound);
}

TEST_F(LockingTest, PrivateFolderIsMadeAndChecked)
{
    const QString folder = FlockSingleInstanceLock::privateFolderUnder(m_dir.path());
    ASSERT_EQ(folder, m_dir.path() + q("/orvanel-") + QString::number(::getuid()));
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Found again as it is.
    EXPECT_EQ(FlockSingleInstanceLock::privateFolderUnder(m_dir.path()), folder);
    // Opened up to others: no longer private, so no lock is taken there.
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    EXPECT_TRUE(FlockSingleInstanceLock::privateFolderUnder(m_dir.path()).isEmpty());
}

TEST_F(LockingTest, PrivateFolderPlantedByOthersIsRefused)
{
    QTemporaryDir linkBase;
    QTemporaryDir target;
    const QString planted = linkBase.path() + q("/orvanel-") + QString::number(::getuid());
    ASSERT_TRUE(QFile::link(target.path(), planted));
    EXPECT_TRUE(FlockSingleInstanceLock::privateFolderUnder(linkBase.path()).isEmpty());

    QTemporaryDir fileBase;
    QFile f(fileBase.path() + q("/orvanel-") + QString::number(::getuid()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    EXPECT_TRUE(FlockSingleInstanceLock::privateFolderUnder(fileBase.path()).isEmpty());

    if (::geteuid() == 0) {
        QTemporaryDir ownedBase;
        const QString other = ownedBase.path() + q("/orvanel-0");
        ASSERT_TRUE(QDir().mkdir(other));
        ASSERT_EQ(::chmod(QFile::encodeName(other).constData(), 0700), 0);
        ASSERT_EQ(::chown(QFile::encodeName(other).constData(), 65534, 65534), 0);
        EXPECT_TRUE(FlockSingleInstanceLock::privateFolderUnder(ownedBase.path()).isEmpty());
    }

    // Without XDG_RUNTIME_DIR the start goes on in the user's cache folder instead, one
    // folder per machine, the same at every start; a planted cache folder is refused too.
    QTemporaryDir cache;
    QString why;
    const QString fallback =
        FlockSingleInstanceLock::fallbackRuntimeDir(linkBase.path(), cache.path(), &why);
    EXPECT_TRUE(fallback.startsWith(cache.path() + q("/orvanel/runtime-")))
        << fallback.toStdString();
    EXPECT_TRUE(why.isEmpty());
    EXPECT_EQ(FlockSingleInstanceLock::fallbackRuntimeDir(fileBase.path(), cache.path()), fallback);
    FlockSingleInstanceLock lock(fallback);
    EXPECT_EQ(lock.acquire(q("Orvanel.exe")), SingleInstanceLock::Acquired);
    ASSERT_EQ(::chmod(QFile::encodeName(fallback).constData(), 0777), 0);
    EXPECT_TRUE(
        FlockSingleInstanceLock::fallbackRuntimeDir(linkBase.path(), cache.path(), &why).isEmpty());
    EXPECT_TRUE(why.contains(fallback)) << why.toStdString();
}

TEST_F(LockingTest, ARuntimeFolderOthersCanWriteOrOwnIsRefusedWithItsReason)
{
    orvanel::testing::OtherAccount other;
    const struct
    {
        const char* what;
        mode_t mode;
        bool others;
        const char* refusal;
    } cases[] = {
        {"private", 0700, false, ""},
        {"writable by all", 0777, false, "can be written by other users"},
        {"shared like /tmp", 01777, false, "can be written by other users"},
        {"made first by another user", 0700, true, "belongs to another user"},
    };
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.others && !other.exists())
            continue;
        QTemporaryDir dir;
        ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), c.mode), 0);
        if (c.others) {
            ASSERT_TRUE(other.give(dir.path()));
        }
        const QString expected = QString::fromUtf8(c.refusal);
        // As the lock's folder and as XDG_RUNTIME_DIR: the same refusal, no lock taken.
        FlockSingleInstanceLock given(dir.path());
        FlockSingleInstanceLock fromEnvironment;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
        const std::pair<FlockSingleInstanceLock*, const char*> locks[] = {
            {&given, "Orvanel.exe"}, {&fromEnvironment, "second.lock"}};
        for (const auto& [lock, name] : locks) {
            const int answer = lock->acquire(q(name));
            EXPECT_EQ(answer, expected.isEmpty() ? SingleInstanceLock::Acquired
                                                 : SingleInstanceLock::AccessDenied);
            EXPECT_TRUE(lock->refusal().contains(expected)) << lock->refusal().toStdString();
            EXPECT_EQ(lock->refusal().isEmpty(), expected.isEmpty());
        }
        EXPECT_EQ(QFile::exists(dir.path() + q("/Orvanel.exe")), expected.isEmpty());
        EXPECT_EQ(FlockSingleInstanceLock::defaultRuntimeDir().isEmpty(), !expected.isEmpty());
    }
    if (saved.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
    if (!other.exists())
        GTEST_SKIP() << "a folder made by another user: " << other.whyMissing().toStdString();
}

TEST_F(LockingTest, RuntimeFolderFromTheEnvironment)
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path()));
    EXPECT_EQ(FlockSingleInstanceLock::defaultRuntimeDir(), m_dir.path());
    FlockSingleInstanceLock lock;
    EXPECT_EQ(lock.acquire(q("Orvanel.exe")), SingleInstanceLock::Acquired);
    EXPECT_TRUE(QFile::exists(path("Orvanel.exe")));
    if (saved.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
}

} // namespace
