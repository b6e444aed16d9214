#include "platform/linux/LinuxProcessTable.h"

#include "platform/linux/ProcText.h"

#include <QString>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace orvanel::platform {

namespace {

struct DirCloser
{
    void operator()(DIR* dir) const { closedir(dir); }
};

// The whole stat line of a process is about 300 bytes; its name and state come first.
constexpr std::size_t kStatBuffer = 512;

bool isPidEntry(const char* name)
{
    if (*name < '1' || *name > '9')
        return false;
    for (; *name; ++name)
        if (*name < '0' || *name > '9')
            return false;
    return true;
}

// Reads at most size bytes of dirFd/pid/file with one open, one read and one close.
ssize_t readSmall(int dirFd, std::string_view pidText, const char* file, char* buffer,
                  std::size_t size)
{
    char path[64];
    std::snprintf(path, sizeof path, "%.*s/%s", int(pidText.size()), pidText.data(), file);
    const int fd = openat(dirFd, path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    ssize_t n;
    do {
        n = read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    close(fd);
    return n;
}

// The number of bytes the name takes in UTF-8, the encoding the kernel's names are in.
qsizetype utf8Length(QStringView name)
{
    qsizetype bytes = 0;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        bytes += u < 0x80 ? 1 : u < 0x800 ? 2 : (c.isSurrogate() ? 2 : 3);
    }
    return bytes;
}

} // namespace

std::string uncutProgramName(int dirFd, std::string_view pidText, std::string_view comm)
{
    char path[64];
    std::snprintf(path, sizeof path, "%.*s/exe", int(pidText.size()), pidText.data());
    char target[PATH_MAX];
    const ssize_t n = readlinkat(dirFd, path, target, sizeof target);
    if (n > 0)
        return std::string(baseName(exeTargetPath(std::string_view(target, std::size_t(n)))));
    // No exe link at all: a kernel thread or a process that just ended; its command
    // line is empty too. Another user's process hides the link but shows its command line.
    if (errno == ENOENT)
        return std::string(comm);
    char cmdline[PATH_MAX];
    const ssize_t got = readSmall(dirFd, pidText, "cmdline", cmdline, sizeof cmdline);
    if (got > 0) {
        const std::string_view word = cmdlineProgramName(std::string_view(cmdline, got));
        if (!word.empty())
            return std::string(word);
    }
    return std::string(comm);
}

LinuxProcessTable::LinuxProcessTable(QByteArray procRoot, uid_t user)
    : m_procRoot(std::move(procRoot)), m_user(user)
{
}

bool LinuxProcessTable::ownedAt(int dirFd, std::string_view pidText) const
{
    // The status text is about 1.5 KB; its Uid line comes within the first 1 KB.
    char status[4096];
    const ssize_t n = readSmall(dirFd, pidText, "status", status, sizeof status);
    if (n <= 0)
        return false;
    const std::optional<qint64> uid = statusRealUid(std::string_view(status, std::size_t(n)));
    return uid && *uid == qint64(m_user);
}

bool LinuxProcessTable::isOwn(qint64 pid) const
{
    if (pid <= 0 || pid > INT_MAX)
        return false;
    const int dirFd = ::open(m_procRoot.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return false;
    const std::string pidText = std::to_string(pid);
    const bool own = ownedAt(dirFd, pidText);
    ::close(dirFd);
    return own;
}

QString LinuxProcessTable::programPath(qint64 pid) const
{
    if (pid <= 0 || pid > INT_MAX)
        return {};
    const QByteArray link = m_procRoot + '/' + QByteArray::number(pid) + "/exe";
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link.constData(), target, sizeof target);
    if (n <= 0 || std::size_t(n) >= sizeof target)
        return {};
    const std::string_view path = exeTargetPath(std::string_view(target, std::size_t(n)));
    return QString::fromUtf8(path.data(), qsizetype(path.size()));
}

template <typename Visit> void LinuxProcessTable::walk(Visit&& visit) const
{
    const std::unique_ptr<DIR, DirCloser> dir(opendir(m_procRoot.constData()));
    if (!dir)
        return;
    const int dirFd = dirfd(dir.get());
    while (const dirent* entry = readdir(dir.get())) {
        if ((entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) || !isPidEntry(entry->d_name))
            continue;
        const std::string_view pidText(entry->d_name);
        // stat rather than comm: the same name, plus the state that tells an ended
        // process (a zombie nobody collected) from a running one, for the same cost.
        char stat[kStatBuffer];
        const ssize_t n = readSmall(dirFd, pidText, "stat", stat, sizeof stat);
        if (n <= 0)
            continue; // ended during the walk
        const auto fields = parseStat(std::string_view(stat, std::size_t(n)));
        if (!fields || hasEnded(fields->state))
            continue;
        const std::string_view name = fields->name;
        const auto full = [&](std::string& out) { out = uncutProgramName(dirFd, pidText, name); };
        const auto owned = [&] { return ownedAt(dirFd, pidText); };
        if (visit(std::strtoll(entry->d_name, nullptr, 10), name, full, owned))
            return;
    }
}

std::vector<ProcessInfo> LinuxProcessTable::snapshot() const
{
    std::vector<ProcessInfo> out;
    out.reserve(512);
    std::string whole;
    walk([&](qint64 pid, std::string_view name, const auto& full, const auto&) {
        if (commMayBeCut(name)) {
            full(whole);
            name = whole;
        }
        out.push_back({QString::fromUtf8(name.data(), qsizetype(name.size())), pid});
        return false;
    });
    return out;
}

bool LinuxProcessTable::isRunning(QStringView wanted) const
{
    if (wanted.isEmpty())
        return false;
    // A cut comm name can only stand for a name at least as long as the cut.
    const bool mayBeCut = utf8Length(wanted) >= qsizetype(kCommLimit);
    bool found = false;
    std::string whole;
    walk([&](qint64, std::string_view name, const auto& full, const auto& owned) {
        if (mayBeCut && commMayBeCut(name)) {
            full(whole);
            name = whole;
        }
        // The name first: the owner costs a read of the status text.
        found = sameProgramName(name, wanted) && owned();
        return found;
    });
    return found;
}

bool LinuxProcessTable::terminate(qint64 pid)
{
    // 0 and negative numbers would reach whole process groups, or every process the
    // user may signal; the panel only ever ends single engines.
    if (pid <= 0 || pid > INT_MAX || pid == qint64(getpid()))
        return false;
    return ::kill(pid_t(pid), SIGKILL) == 0;
}

std::optional<qint64> LinuxProcessTable::residentBytes(qint64 pid) const
{
    if (pid <= 0 || pid > INT_MAX)
        return std::nullopt;
    const QByteArray path = m_procRoot + '/' + QByteArray::number(pid) + "/status";
    const int fd = open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, std::size_t(n));
    }
    close(fd);
    if (text.empty())
        return std::nullopt;
    // A kernel thread has no user memory: its status carries no VmRSS at all.
    return statusResidentBytes(text).value_or(0);
}

} // namespace orvanel::platform
