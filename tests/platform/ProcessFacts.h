#pragma once

// What /proc tells about one process, read independently of the code under test, and a
// child process that holds a flock for the tests that need a lock held elsewhere.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvanel::testing {

struct ProcStat
{
    char state = '?';
    qint64 parent = 0;
    qint64 session = 0;
    QByteArray comm;
};

inline std::optional<ProcStat> procStat(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = file.readAll();
    const qsizetype open = text.indexOf('(');
    const qsizetype close = text.lastIndexOf(')');
    if (open < 0 || close < open)
        return std::nullopt;
    // pid (comm) state ppid pgrp session …
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (fields.size() < 4)
        return std::nullopt;
    ProcStat stat;
    stat.comm = text.mid(open + 1, close - open - 1);
    stat.state = fields[0].isEmpty() ? '?' : fields[0][0];
    stat.parent = fields[1].toLongLong();
    stat.session = fields[3].toLongLong();
    return stat;
}

// Children of this process that ended but were never reaped and whose name is comm.
inline int zombieChildren(const QByteArray& comm)
{
    int count = 0;
    for (const QFileInfo& entry : QDir(QStringLiteral("/proc")).entryInfoList(QDir::Dirs)) {
        bool numeric = false;
        const qint64 pid = entry.fileName().toLongLong(&numeric);
        if (!numeric)
            continue;
        const auto stat = procStat(pid);
        if (stat && stat->parent == getpid() && stat->state == 'Z' && stat->comm == comm)
            ++count;
    }
    return count;
}

inline QByteArray ownComm()
{
    const auto stat = procStat(getpid());
    return stat ? stat->comm : QByteArray();
}

// A child process of the test that holds an exclusive flock on a file until it is ended.
class LockHolder final
{
public:
    explicit LockHolder(const QString& path)
    {
        const QByteArray name = QFile::encodeName(path);
        int ready[2];
        if (pipe(ready) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls in the child of a threaded program.
            ::close(ready[0]);
            const int fd = ::open(name.constData(), O_RDWR | O_CREAT, 0600);
            const char ok = (fd >= 0 && ::flock(fd, LOCK_EX) == 0) ? '1' : '0';
            [[maybe_unused]] const ssize_t w = ::write(ready[1], &ok, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char ok = '0';
        m_locked = m_pid > 0 && ::read(ready[0], &ok, 1) == 1 && ok == '1';
        ::close(ready[0]);
    }
    ~LockHolder() { end(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool locked() const { return m_locked; }
    void end()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
    bool m_locked = false;
};

} // namespace orvanel::testing
