#include "workspace/FileScrambling.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace orvanel::scrambling {

namespace {

// Blocks large enough to take few system calls and small enough to stay in the processor's
// cache between the read, the shift and the write. The key counts per byte, so the result
// is the same for any block size, the 2,048 bytes the key was first defined over included.
constexpr qint64 kBlockSize = qint64(256) << 10;

// Sixteen bytes handled as one: the compiler's vector type, plain SSE2 on x86-64.
using Bytes16 = unsigned char __attribute__((vector_size(16)));

void fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// Whether two names lead to one file: the same device and inode, links followed.
bool sameFile(const QString& a, const QString& b)
{
    struct stat sa = {};
    struct stat sb = {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The permissions the finished copy gets: those of the file it replaces, or the usual
// ones of a new document.
QFileDevice::Permissions permissionsFor(const QString& destination)
{
    const QFileInfo existing(destination);
    if (existing.isFile() && !existing.isSymLink())
        return existing.permissions();
    return QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
           QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
}

bool copyShifted(QFile& in, QFile& out, std::uint32_t key, Mode mode, QString* error)
{
    const auto block = std::make_unique<unsigned char[]>(kBlockSize);
    for (;;) {
        const qint64 got = in.read(reinterpret_cast<char*>(block.get()), kBlockSize);
        if (got < 0) {
            fail(error, u"Cannot read %1: %2"_s.arg(in.fileName(), in.errorString()));
            return false;
        }
        if (got == 0)
            return true;
        scrambleBlock(block.get(), std::size_t(got), key, mode);
        if (out.write(reinterpret_cast<const char*>(block.get()), got) != got) {
            fail(error, u"Cannot write %1: %2"_s.arg(out.fileName(), out.errorString()));
            return false;
        }
    }
}

} // namespace

std::int32_t startingKey(QStringView keyWord)
{
    std::uint32_t sum = 0;
    for (const QChar c : keyWord)
        sum += c.unicode();
    return std::int32_t(sum);
}

void scrambleBlock(unsigned char* data, std::size_t size, std::uint32_t& runningKey, Mode mode)
{
    // Only the low 8 bits of key + p reach a byte, so the shifts of sixteen bytes in a row
    // are base, base + 1 … base + 15 modulo 256: one vector addition, and sixteen more for
    // the next sixteen bytes.
    const auto base = static_cast<unsigned char>(runningKey);
    Bytes16 shifts;
    for (int k = 0; k < 16; ++k)
        shifts[k] = static_cast<unsigned char>(base + k);
    const Bytes16 step = shifts - shifts + 16;
    std::size_t i = 0;
    for (; i + 16 <= size; i += 16) {
        Bytes16 bytes;
        std::memcpy(&bytes, data + i, sizeof bytes);
        bytes = mode == Mode::Add ? bytes + shifts : bytes - shifts;
        std::memcpy(data + i, &bytes, sizeof bytes);
        shifts += step;
    }
    for (int k = 0; i < size; ++i, ++k) {
        const auto shift = static_cast<unsigned char>(shifts[k]);
        data[i] = static_cast<unsigned char>(mode == Mode::Add ? data[i] + shift : data[i] - shift);
    }
    runningKey += static_cast<std::uint32_t>(size);
}

bool scrambleFile(const CryptOpt& opt, Mode mode, QString* error)
{
    const QFileInfo source(opt.source);
    if (!source.isFile()) {
        fail(error, u"%1 is not a file that can be read."_s.arg(opt.source));
        return false;
    }
    if (opt.destination.isEmpty()) {
        fail(error, u"No destination file was given."_s);
        return false;
    }
    if (sameFile(opt.source, opt.destination)) {
        fail(error,
             u"%1 and %2 are the same file: it would be lost. Choose another destination."_s.arg(
                 opt.source, opt.destination));
        return false;
    }
    if (QFileInfo(opt.destination).isDir()) {
        fail(error, u"%1 is a folder."_s.arg(opt.destination));
        return false;
    }
    QFile in(opt.source);
    if (!in.open(QIODevice::ReadOnly)) {
        fail(error, u"Cannot open %1: %2"_s.arg(opt.source, in.errorString()));
        return false;
    }
    const QString destination = QFileInfo(opt.destination).absoluteFilePath();
    QTemporaryFile out(QFileInfo(destination).absolutePath() + u"/.orvanel-scramble-XXXXXX"_s);
    if (!out.open()) {
        fail(error, u"Cannot create %1: %2"_s.arg(opt.destination, out.errorString()));
        return false;
    }
    if (!copyShifted(in, out, std::uint32_t(opt.key), mode, error))
        return false;
    if (!out.flush() || !out.setPermissions(permissionsFor(destination))) {
        fail(error, u"Cannot write %1: %2"_s.arg(opt.destination, out.errorString()));
        return false;
    }
    out.close();
    // rename(2) replaces the destination, or a link in its place, in one step.
    if (std::rename(QFile::encodeName(out.fileName()).constData(),
                    QFile::encodeName(destination).constData()) != 0) {
        fail(error, u"Cannot replace %1: %2"_s.arg(opt.destination, qt_error_string(errno)));
        return false;
    }
    out.setAutoRemove(false);
    return true;
}

} // namespace orvanel::scrambling
