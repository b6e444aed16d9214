#include "platform/linux/FlockSingleInstanceLock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel::platform {

namespace {

int codeForOpenError(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ELOOP: // the lock file is a symbolic link: somebody else's, not ours to follow
        return SingleInstanceLock::AccessDenied;
    case ENOENT:
    case ENOTDIR:
        return FlockSingleInstanceLock::PathNotFound;
    default:
        return FlockSingleInstanceLock::GeneralFailure;
    }
}

} // namespace

FlockSingleInstanceLock::FlockSingleInstanceLock(QString runtimeDir)
    : m_runtimeDir(std::move(runtimeDir))
{
}

FlockSingleInstanceLock::~FlockSingleInstanceLock()
{
    for (const int fd : m_fds)
        ::close(fd);
}

QString FlockSingleInstanceLock::defaultRuntimeDir()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime))
        return runtime;
    return privateFolderUnder(QStringLiteral("/tmp"));
}

QString FlockSingleInstanceLock::privateFolderUnder(const QString& base)
{
    const QString folder = base + QStringLiteral("/orvanel-") + QString::number(::getuid());
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat st
    {
    };
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 077) != 0)
        return {};
    return folder;
}

int FlockSingleInstanceLock::acquire(const QString& name)
{
    const QString dir = m_runtimeDir.isEmpty() ? defaultRuntimeDir() : m_runtimeDir;
    if (dir.isEmpty())
        return AccessDenied; // the private folder is not private
    const QByteArray path = QFile::encodeName(dir + QLatin1Char('/') + name);
    const int fd =
        ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    if (fd < 0)
        return codeForOpenError(errno);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? AlreadyExists : GeneralFailure;
    }
    m_fds.push_back(fd);
    return Acquired;
}

} // namespace orvanel::platform
