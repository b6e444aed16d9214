#include "platform/linux/FlockProbe.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel::platform {

namespace {

// Only a regular file can be held by an engine. Anything else in a file's place (a
// folder, a named pipe, a link to a device) is nothing to wait for: whoever reads it
// finds that it is not a file.
bool isRegularFile(int fd)
{
    struct stat info = {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

bool FlockProbe::isBusy(const QString& path) const
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info = {};
    if (::stat(name.constData(), &info) != 0)
        return errno != ENOENT;
    if (!S_ISREG(info.st_mode))
        return false;
    // O_NONBLOCK: a named pipe put in the file's place meanwhile must not stall the
    // panel's thread.
    const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno != ENOENT;
    const bool held = isRegularFile(fd) && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    // Closing drops the probe's own lock, if it got one.
    ::close(fd);
    return held;
}

} // namespace orvanel::platform
