#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace orvanel::platform {

// One running process as the snapshot sees it: its executable's file name (no path)
// and its process id.
struct ProcessInfo
{
    QString name;
    qint64 pid = 0;
};

// The system's process list. Engines are found, tested and ended by executable name;
// names compare without regard to letter case.
//
// Process names are chosen by whoever starts a process, so a name alone says nothing
// about whose program runs. Running tests and the panel's engine stops count only the
// user's own processes (isOwn): another account's program named scanwapper.exe must not
// pass for a scan of this user.
class ProcessTable
{
public:
    virtual ~ProcessTable() = default;

    // Every process of every user in enumeration order. Processes that vanish during the
    // walk are skipped.
    virtual std::vector<ProcessInfo> snapshot() const = 0;

    // Whether some process of the user's own has this executable name (letter case
    // ignored). May stop at the first match, so it is cheaper than a full snapshot.
    virtual bool isRunning(QStringView name) const = 0;

    // Whether the process runs for the table's user: its real user id is the user's.
    // False for a process that is gone or cannot be read.
    virtual bool isOwn(qint64 pid) const = 0;

    // The program file the process runs, links resolved (/proc/PID/exe), without the
    // kernel's " (deleted)" mark; empty when it cannot be read (another user's process,
    // a kernel thread, a process that is gone).
    virtual QString programPath(qint64 pid) const = 0;

    // Ends the process at once. Refusals (another user's process, already gone) answer
    // false. The panel's own process is never ended: asking for it answers false.
    virtual bool terminate(qint64 pid) = 0;

    // Resident set size in bytes, or nothing when the process cannot be read.
    virtual std::optional<qint64> residentBytes(qint64 pid) const = 0;
};

} // namespace orvanel::platform
