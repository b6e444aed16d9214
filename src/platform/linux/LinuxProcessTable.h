#pragma once

#include "platform/ProcessTable.h"

#include <QByteArray>

#include <string>
#include <string_view>

#include <sys/types.h>
#include <unistd.h>

namespace orvanel::platform {

// The process list read from /proc. The scheduler asks several running tests on every
// tick, so one walk costs the directory listing plus three calls per process (open
// stat, read it, close it); names are compared as the kernel gives them, without
// building text objects. Ended processes that wait to be collected (zombies) are not
// running and are left out: an engine ended a moment ago must be restartable. The owner
// of a process is read from its status (the real user id) only for processes whose name
// matched, so the running test keeps its cost.
class LinuxProcessTable final : public ProcessTable
{
public:
    // procRoot is the proc file system's mount point ("/proc"); user is the account whose
    // processes count as the user's own (the panel's real user id).
    explicit LinuxProcessTable(QByteArray procRoot = QByteArrayLiteral("/proc"),
                               uid_t user = ::getuid());

    std::vector<ProcessInfo> snapshot() const override;
    bool isRunning(QStringView name) const override;
    bool isOwn(qint64 pid) const override;
    QString programPath(qint64 pid) const override;
    bool terminate(qint64 pid) override;
    std::optional<qint64> residentBytes(qint64 pid) const override;

private:
    // Calls visit(pid, name, full, owned) for every process; visit answers true to stop.
    // full(out) fills out with the program's whole file name when the comm name may
    // have been cut by the kernel; owned() tells whether the process is the user's.
    template <typename Visit> void walk(Visit&& visit) const;

    // Whether dirFd/pidText/status names this table's user as the real user.
    bool ownedAt(int dirFd, std::string_view pidText) const;

    QByteArray m_procRoot;
    uid_t m_user;
};

// The program name of one /proc entry whose comm name is exactly as long as the kernel
// keeps: the file name of its exe link, else of its command line's program word, else the
// comm name itself (kernel threads). dirFd is the open /proc directory.
std::string uncutProgramName(int dirFd, std::string_view pidText, std::string_view comm);

} // namespace orvanel::platform
