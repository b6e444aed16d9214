#include "platform/linux/LinuxVolumes.h"

#include "platform/linux/MountInfo.h"

#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace orvanel::platform {

namespace {

// Tens of thousands of mounts fit; a table beyond this is not read at all.
constexpr qsizetype MountTableLimit = 8 * 1024 * 1024;

bool isKernelTable(int fd)
{
    struct statfs fs
    {
    };
    return ::fstatfs(fd, &fs) == 0 && fs.f_type == PROC_SUPER_MAGIC;
}

// Whether mounts changed since the table was last looked at; looking clears the news.
bool tableChanged(int fd)
{
    pollfd event{fd, POLLPRI, 0};
    const int ready = ::poll(&event, 1, 0);
    return ready != 0 && (ready < 0 || (event.revents & (POLLPRI | POLLERR)) != 0);
}

bool isFolder(const QString& path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::optional<QByteArray> readMountTable(int fd)
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return std::nullopt;
    QByteArray text;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || text.size() + got > MountTableLimit)
            return std::nullopt;
        if (got == 0)
            return text;
        text.append(buffer, got);
    }
}

LinuxVolumes::LinuxVolumes(QString mountInfoPath) : m_mountInfoPath(std::move(mountInfoPath)) {}

LinuxVolumes::~LinuxVolumes()
{
    if (m_kernelTable >= 0)
        ::close(m_kernelTable);
}

QStringList LinuxVolumes::mountPoints() const
{
    if (m_kernelTable >= 0 && m_points && !tableChanged(m_kernelTable))
        return *m_points;
    int fd = m_kernelTable;
    if (fd < 0) {
        fd = ::open(QFile::encodeName(m_mountInfoPath).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return {};
        if (isKernelTable(fd))
            m_kernelTable = fd;
    }
    m_points.reset();
    const std::optional<QByteArray> text = readMountTable(fd);
    if (fd != m_kernelTable)
        ::close(fd);
    if (!text)
        return {};
    QStringList points = volumeMountPoints(
        parseMountInfo(std::string_view(text->constData(), std::size_t(text->size()))));
    points.removeIf([](const QString& point) { return !isFolder(point); });
    if (fd == m_kernelTable)
        m_points = points;
    return points;
}

bool LinuxVolumes::isReady(const QString& mountPoint) const
{
    struct statvfs info
    {
    };
    return !mountPoint.isEmpty() &&
           ::statvfs(QFile::encodeName(mountPoint).constData(), &info) == 0;
}

int LinuxVolumes::listRoot(const QString& mountPoint)
{
    if (mountPoint.isEmpty())
        return NotFound;
    DIR* dir = ::opendir(QFile::encodeName(mountPoint).constData());
    if (!dir)
        return errno == EACCES || errno == EPERM ? AccessDenied : NotFound;
    errno = 0;
    while (::readdir(dir) != nullptr) {
    }
    const bool complete = errno == 0;
    ::closedir(dir);
    return complete ? Success : NotFound;
}

} // namespace orvanel::platform
