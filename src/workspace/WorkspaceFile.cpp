#include "workspace/WorkspaceFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel::files {

using namespace Qt::StringLiterals;

namespace {

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return u"a folder"_s;
    if (S_ISFIFO(mode))
        return u"a named pipe"_s;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return u"a device"_s;
    if (S_ISSOCK(mode))
        return u"a socket"_s;
    return u"not a plain file"_s;
}

ReadResult failure(ReadStatus status, const QString& path, const QString& why)
{
    return {status, {}, u"%1: %2"_s.arg(path, why)};
}

// Reads up to maxBytes + 1 bytes: one more than allowed tells a file that is too long.
ReadResult readOpened(int fd, const QString& path, qint64 expected, qint64 maxBytes)
{
    QByteArray bytes(qsizetype(std::min(expected, maxBytes) + 1), Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (total > maxBytes)
                break;
            bytes.resize(qsizetype(std::min(std::max(total * 2, qint64(1) << 16), maxBytes + 1)));
        }
        const ssize_t n = ::read(fd, bytes.data() + total, std::size_t(bytes.size() - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failure(ReadStatus::Failed, path, systemError(errno));
        if (n == 0)
            break;
        total += n;
    }
    if (total > maxBytes)
        return failure(ReadStatus::TooLarge, path, u"longer than %1 bytes"_s.arg(maxBytes));
    bytes.truncate(qsizetype(total));
    return {ReadStatus::Read, bytes, {}};
}

// A new file of a free name beside `path`, hidden, created with the usual permissions
// (the process's umask applies).
int createBeside(const QString& path, QByteArray* name)
{
    const QFileInfo info(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate =
            u"%1/.%2.%3"_s.arg(info.path(), info.fileName(),
                               QString::number(QRandomGenerator::global()->generate(), 36));
        *name = QFile::encodeName(candidate);
        const int fd =
            ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool setError(QString* error, const QString& path, const QString& why)
{
    if (error)
        *error = u"cannot write %1: %2"_s.arg(path, why);
    return false;
}

// Opens `path` for reading as readWhole does and checks what it is; answers the open
// descriptor (blocking again) or -1 with the failure in `result`.
int openRegular(const QString& path, qint64 maxBytes, qint64* size, ReadResult* result)
{
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a named pipe for reading would otherwise wait for a writer.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int code = errno;
        if (code == ENOENT)
            *result = failure(ReadStatus::Missing, path, u"does not exist"_s);
        else // a socket cannot be opened at all
            *result = failure(code == ENXIO ? ReadStatus::NotAFile : ReadStatus::Failed, path,
                              systemError(code));
        return -1;
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0)
        *result = failure(ReadStatus::Failed, path, systemError(errno));
    else if (!S_ISREG(info.st_mode))
        *result = failure(ReadStatus::NotAFile, path, kindOf(info.st_mode));
    else if (info.st_size > maxBytes)
        *result = failure(ReadStatus::TooLarge, path, u"longer than %1 bytes"_s.arg(maxBytes));
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        *result = failure(ReadStatus::Failed, path, systemError(errno));
    else {
        *size = info.st_size;
        *result = {ReadStatus::Read, {}, {}};
        return fd;
    }
    ::close(fd);
    return -1;
}

} // namespace

ReadResult readWhole(const QString& path, qint64 maxBytes)
{
    ReadResult result;
    qint64 size = 0;
    const int fd = openRegular(path, maxBytes, &size, &result);
    if (fd < 0)
        return result;
    result = readOpened(fd, path, size, maxBytes);
    ::close(fd);
    return result;
}

RegularFile::~RegularFile()
{
    close();
}

ReadResult RegularFile::open(const QString& path, qint64 maxBytes)
{
    close();
    ReadResult result;
    m_fd = openRegular(path, maxBytes, &m_size, &result);
    m_path = path;
    return result;
}

void RegularFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

std::optional<QByteArray> RegularFile::readAt(qint64 offset, qint64 count, QString* error) const
{
    QByteArray bytes(qsizetype(std::max<qint64>(0, std::min(count, m_size - offset))),
                     Qt::Uninitialized);
    qsizetype total = 0;
    while (total < bytes.size()) {
        const ssize_t n = ::pread(m_fd, bytes.data() + total, std::size_t(bytes.size() - total),
                                  off_t(offset + total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (error)
                *error = u"%1: %2"_s.arg(m_path, n < 0 ? systemError(errno)
                                                       : u"shorter than when it was opened"_s);
            return std::nullopt;
        }
        total += n;
    }
    return bytes;
}

bool replaceWhole(const QString& path, const std::function<bool(QIODevice&)>& write, QString* error,
                  Flush flush)
{
    const QByteArray target = QFile::encodeName(path);
    struct stat old = {};
    const bool oldIsFile = ::lstat(target.constData(), &old) == 0 && S_ISREG(old.st_mode);
    // A plain file the user made read-only is left as it is.
    if (oldIsFile && ::access(target.constData(), W_OK) != 0)
        return setError(error, path, systemError(errno));

    QByteArray temporary;
    const int fd = createBeside(path, &temporary);
    if (fd < 0)
        return setError(error, path, systemError(errno));
    // The new file keeps the permissions of the plain file it replaces.
    if (oldIsFile)
        ::fchmod(fd, old.st_mode & 07777);

    QFile out;
    bool ok =
        out.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle) &&
        write(out);
    QString why = out.errorString();
    const bool written = out.pos() > 0;
    out.close();
    // A flush waits for the disk, which on a busy machine takes longer than the rest of
    // the save.
    if (ok && written && flush == Flush::ToDisk && ::fdatasync(fd) != 0) {
        ok = false;
        why = systemError(errno);
    }
    ::close(fd);
    // rename() replaces the directory entry of `path` itself, whatever it was: a link
    // is not followed. A folder of that name cannot be replaced and fails here.
    if (ok && ::rename(temporary.constData(), target.constData()) != 0) {
        ok = false;
        why = systemError(errno);
    }
    if (!ok) {
        ::unlink(temporary.constData());
        return setError(error, path, why);
    }
    return true;
}

Descriptor::~Descriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace orvanel::files
