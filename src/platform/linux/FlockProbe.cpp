#include "platform/linux/FlockProbe.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orvanel::platform {

bool FlockProbe::isBusy(const QString& path) const
{
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: a named pipe put in the workspace must not stall the panel's thread.
    const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno != ENOENT;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    // Closing drops the probe's own lock, if it got one.
    ::close(fd);
    return held;
}

} // namespace orvanel::platform
