#include "workspace/ProgramChecksum.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel {

namespace {

constexpr std::size_t kMaxWords = 500;

quint32 littleEndianWord(const unsigned char* bytes)
{
    return quint32(bytes[0]) | quint32(bytes[1]) << 8 | quint32(bytes[2]) << 16 |
           quint32(bytes[3]) << 24;
}

} // namespace

ChecksumWindow programChecksumWindow(std::size_t fileSize)
{
    const std::size_t n = fileSize / 4;
    const std::size_t start = n / 2;
    // n - 1 - n / 2 is negative for an empty file: no word then.
    const std::size_t count = n == 0 ? 0 : std::min(n - 1 - start, kMaxWords);
    return {start * 4, count};
}

std::optional<quint32> programChecksumOfDescriptor(int fd)
{
    struct stat st
    {
    };
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0)
        return std::nullopt;
    const ChecksumWindow window = programChecksumWindow(std::size_t(st.st_size));
    unsigned char buffer[kMaxWords * 4];
    const std::size_t wanted = window.words * 4;
    std::size_t done = 0;
    while (done < wanted) {
        const ssize_t n = ::pread(fd, buffer + done, wanted - done, off_t(window.offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break; // the file shrank meanwhile: the words that are there count
        done += std::size_t(n);
    }
    quint32 sum = 0;
    for (std::size_t i = 0; i + 4 <= done; i += 4)
        sum += littleEndianWord(buffer + i);
    return sum;
}

std::optional<quint32> programChecksum(const QString& path)
{
    // O_NONBLOCK: a named pipe given as a program path must not hang the caller.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    const std::optional<quint32> sum = programChecksumOfDescriptor(fd);
    ::close(fd);
    return sum;
}

} // namespace orvanel
