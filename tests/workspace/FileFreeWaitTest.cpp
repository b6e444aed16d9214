// The file-free wait against a file that another process holds with an exclusive lock,
// as an engine does while it rewrites a table.
#include "workspace/EngineControl.h"

#include "platform/linux/FlockProbe.h"
#include "support/Doubles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvanel {
namespace {

using namespace Qt::StringLiterals;

// A child process that holds flock(LOCK_EX) on a file until it is told to let go.
class LockHolder final
{
public:
    explicit LockHolder(const QString& path)
    {
        const QByteArray file = QFile::encodeName(path);
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls in the child of a threaded program.
            ::close(ready[0]);
            ::close(release[1]);
            const int fd = ::open(file.constData(), O_RDWR);
            const char ok = (fd >= 0 && ::flock(fd, LOCK_EX) == 0) ? 'L' : 'E';
            [[maybe_unused]] ssize_t w = ::write(ready[1], &ok, 1);
            char c;
            [[maybe_unused]] ssize_t r = ::read(release[0], &c, 1); // until let go
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        m_release = release[1];
        char c = 0;
        m_locked = ::read(ready[0], &c, 1) == 1 && c == 'L';
        ::close(ready[0]);
    }
    ~LockHolder() { letGo(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool locked() const { return m_locked; }

    // Ends the child; its lock dies with it.
    void letGo()
    {
        if (m_release >= 0) {
            ::close(m_release);
            m_release = -1;
        }
        if (m_pid > 0) {
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
    int m_release = -1;
    bool m_locked = false;
};

// Counts the looks the wait takes.
class CountingProbe final : public platform::ExclusiveOpenProbe
{
public:
    bool isBusy(const QString& path) const override
    {
        ++looks;
        const bool busy = m_real.isBusy(path);
        if (afterLook)
            afterLook(looks);
        return busy;
    }
    mutable int looks = 0;
    std::function<void(int)> afterLook;

private:
    platform::FlockProbe m_real;
};

class FileFreeWait : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile f(dir() + u"configuration.xml"_s);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<DATAPACKET/>");
    }
    QString dir() const { return QDir(m_dir.path()).canonicalPath() + u'/'; }

    QTemporaryDir m_dir;
    testing::FakeProcessTable m_processes;
    testing::RecordingSpawner m_spawner;
    CountingProbe m_probe;
    EngineControl m_engines{dir(), m_processes, m_spawner, m_probe};
};

TEST_F(FileFreeWait, MissingAndUnheldFilesAreFreeAtOnce)
{
    EXPECT_TRUE(m_engines.waitUntilFree(u"site.xml"_s));
    EXPECT_EQ(m_probe.looks, 1);
    EXPECT_TRUE(m_engines.waitUntilFree(u"configuration.xml"_s));
    EXPECT_EQ(m_probe.looks, 2);
}

TEST_F(FileFreeWait, GivesUpWhileAnotherProcessHoldsTheFile)
{
    LockHolder holder(dir() + u"configuration.xml"_s);
    ASSERT_TRUE(holder.locked());
    m_engines.setFreeWaitBound(std::chrono::milliseconds(200));
    EXPECT_FALSE(m_engines.waitUntilFree(u"configuration.xml"_s));
    EXPECT_GT(m_probe.looks, 1);
    EXPECT_TRUE(m_engines.waitUntilFree(u"site.xml"_s)); // other files stay free
}

TEST_F(FileFreeWait, ReturnsOnceTheHolderLetsGo)
{
    LockHolder holder(dir() + u"configuration.xml"_s);
    ASSERT_TRUE(holder.locked());
    m_engines.setFreeWaitBound(std::chrono::seconds(30));
    // The holder lets go after the third look; the fourth finds the file free.
    m_probe.afterLook = [&](int look) {
        if (look == 3)
            holder.letGo();
    };
    const bool free = m_engines.waitUntilFree(u"configuration.xml"_s);
    EXPECT_TRUE(free);
    EXPECT_EQ(m_probe.looks, 4);
}

} // namespace
} // namespace orvanel
