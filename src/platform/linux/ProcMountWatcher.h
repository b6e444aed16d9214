#pragma once

#include "platform/MountWatcher.h"
#include "platform/linux/MountInfo.h"

#include <memory>
#include <vector>

class QSocketNotifier;

namespace orvanel::platform {

// Watches the kernel's mount table: the kernel marks /proc/self/mountinfo with POLLPRI
// whenever a mount is added or removed, and a socket notifier on the event loop waits
// for that mark, so nothing is ever polled on a timer. Each change reads the table again
// and reports the mounts that were not there before.
class ProcMountWatcher final : public MountWatcher
{
public:
    explicit ProcMountWatcher(QString mountInfoPath = QString::fromLatin1(kMountInfoPath));
    ~ProcMountWatcher() override;
    ProcMountWatcher(const ProcMountWatcher&) = delete;
    ProcMountWatcher& operator=(const ProcMountWatcher&) = delete;

    // The first handler opens the table and takes the mounts already there as known.
    void setArrivalHandler(ArrivalHandler handler) override;

    // Reads the table again and reports what is new; the notifier calls it on every
    // change. A table that cannot be read leaves the known mounts as they were.
    void check();

private:
    bool startWatching();

    QString m_path;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::vector<MountEntry> m_known;
    ArrivalHandler m_handler;
    // Lets a report in progress notice that the watcher went away during a handler.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace orvanel::platform
