#include "pages/tools/SmallTextFile.h"

#include "workspace/SideFiles.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel::tools {

std::optional<QStringList> readSmallTextFile(const QString& path, qint64 maxBytes)
{
    // Non-blocking, so that a pipe put in the file's place cannot hold the window; the
    // kind is then tested on what was opened, not on the name.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray bytes;
    char buffer[8192];
    bool failed = false;
    while (bytes.size() < maxBytes) {
        const qint64 want = std::min<qint64>(qint64(sizeof buffer), maxBytes - bytes.size());
        const ssize_t n = ::read(fd, buffer, std::size_t(want));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failed = true;
        if (n <= 0)
            break;
        bytes.append(buffer, qsizetype(n));
    }
    ::close(fd);
    if (failed)
        return std::nullopt;
    return sidefiles::decodeLines(bytes);
}

} // namespace orvanel::tools
