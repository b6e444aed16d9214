#include "workspace/HeldFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace orvanel {

using namespace Qt::StringLiterals;

namespace {

constexpr auto kLockPause = std::chrono::milliseconds(10);

// Whether the descriptor is the regular file now at `path`.
bool isFileAt(int fd, const QByteArray& path)
{
    struct stat held = {};
    struct stat now = {};
    return ::fstat(fd, &held) == 0 && ::stat(path.constData(), &now) == 0 &&
           held.st_dev == now.st_dev && held.st_ino == now.st_ino && S_ISREG(held.st_mode);
}

} // namespace

HeldFile::HeldFile(const QString& path, Mode mode, const Options& options)
{
    const QByteArray name = QFile::encodeName(path);
    const int operation = (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    // Read only: flock needs no more, and a file the user made read-only can still be
    // read under the lock. O_NONBLOCK: a named pipe in the file's place stalls nothing.
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK |
                      (options.followLinks ? 0 : O_NOFOLLOW) | (options.create ? O_CREAT : 0);
    const auto deadline = std::chrono::steady_clock::now() + options.patience;
    for (;;) {
        const int fd = ::open(name.constData(), flags, 0644);
        if (fd < 0) {
            m_error = u"%1: %2"_s.arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        struct stat info = {};
        if (::fstat(fd, &info) == 0 && !S_ISREG(info.st_mode)) {
            ::close(fd);
            m_error = u"%1 is not a plain file"_s.arg(path);
            return;
        }
        if (::flock(fd, operation) == 0 && isFileAt(fd, name)) {
            m_fd = fd;
            return;
        }
        ::close(fd);
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(kLockPause);
    }
    m_error = u"%1 stays held by another program"_s.arg(path);
}

HeldFile::~HeldFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace orvanel
