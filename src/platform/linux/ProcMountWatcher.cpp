#include "platform/linux/ProcMountWatcher.h"

#include "platform/linux/LinuxVolumes.h"

#include <QFile>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

namespace orvanel::platform {

ProcMountWatcher::ProcMountWatcher(QString mountInfoPath) : m_path(std::move(mountInfoPath)) {}

ProcMountWatcher::~ProcMountWatcher()
{
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

void ProcMountWatcher::setArrivalHandler(ArrivalHandler handler)
{
    m_handler = std::move(handler);
    if (m_handler && m_fd < 0)
        startWatching();
}

bool ProcMountWatcher::startWatching()
{
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        return false;
    if (const auto text = readMountTable(m_fd))
        m_known = parseMountInfo(std::string_view(text->constData(), std::size_t(text->size())));
    // POLLPRI is the notifier's exception condition.
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Exception);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { check(); });
    return true;
}

void ProcMountWatcher::check()
{
    if (m_fd < 0)
        return;
    const auto text = readMountTable(m_fd);
    if (!text)
        return;
    std::vector<MountEntry> now =
        parseMountInfo(std::string_view(text->constData(), std::size_t(text->size())));
    const std::vector<MountArrival> arrivals = mountArrivals(m_known, now);
    // Known before anyone is told: a handler's question runs a nested event loop, in which
    // later changes are read and reported on their own.
    m_known = std::move(now);
    const std::weak_ptr<bool> alive = m_alive;
    for (const MountArrival& arrival : arrivals) {
        if (alive.expired() || !m_handler)
            return;
        const ArrivalHandler handler = m_handler;
        handler(arrival);
    }
}

} // namespace orvanel::platform
