#include "platform/linux/FlockSingleInstanceLock.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

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

QString FlockSingleInstanceLock::defaultRuntimeDir(QString* refusal)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString folder = runtime;
    QString why;
    if (runtime.isEmpty() || !QDir::isAbsolutePath(runtime)) {
        QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
        if (cache.isEmpty() || !QDir::isAbsolutePath(cache))
            cache = QDir::homePath() + u"/.cache"_s;
        folder = fallbackRuntimeDir(u"/tmp"_s, cache, &why);
    } else if (const QString reason = folderRefusal(runtime); !reason.isEmpty()) {
        why = u"XDG_RUNTIME_DIR (%1) %2"_s.arg(runtime, reason);
        folder.clear();
    }
    if (refusal)
        *refusal = why;
    return folder;
}

QString FlockSingleInstanceLock::folderRefusal(const QString& folder)
{
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0)
        return {};
    if (S_ISLNK(st.st_mode))
        return u"is a symbolic link"_s;
    if (!S_ISDIR(st.st_mode))
        return u"is not a folder"_s;
    if (st.st_uid != ::geteuid())
        return u"belongs to another user"_s;
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return u"can be written by other users"_s;
    return {};
}

QString FlockSingleInstanceLock::fallbackRuntimeDir(const QString& tmp, const QString& cacheHome,
                                                    QString* refusal)
{
    if (QString folder = privateFolderUnder(tmp); !folder.isEmpty())
        return folder;
    // Another user made /tmp/orvanel-<uid> first: the start goes on in the user's own
    // cache folder, which nobody else can write.
    const QString own =
        cacheHome + u"/orvanel/runtime-"_s + QSysInfo::machineHostName().replace(u'/', u'_');
    if (QDir().mkpath(cacheHome + u"/orvanel"_s) && makePrivateFolder(own))
        return own;
    if (refusal)
        *refusal = u"%1/orvanel-%2 is not a private folder of this user (another "
                   "user may have made it first), and neither is %3"_s.arg(tmp)
                       .arg(::getuid())
                       .arg(own);
    return {};
}

QString FlockSingleInstanceLock::privateFolderUnder(const QString& base)
{
    const QString folder = base + u"/orvanel-"_s + QString::number(::getuid());
    return makePrivateFolder(folder) ? folder : QString();
}

bool FlockSingleInstanceLock::makePrivateFolder(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st
    {
    };
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

int FlockSingleInstanceLock::acquire(const QString& name)
{
    m_refusal.clear();
    QString dir = m_runtimeDir;
    if (dir.isEmpty())
        dir = defaultRuntimeDir(&m_refusal);
    else if (const QString reason = folderRefusal(dir); !reason.isEmpty())
        m_refusal = dir + u' ' + reason;
    if (!m_refusal.isEmpty())
        return AccessDenied; // somebody else could hold or swap the lock file
    const QByteArray path = QFile::encodeName(dir + u'/' + name);
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
