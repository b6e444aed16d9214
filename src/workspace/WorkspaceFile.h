#pragma once

// Reading and writing the files of the workspace directory. The folder is shared with the
// engines and lies in the user's own home, so any of its names can turn out to be a named
// pipe, a device, a folder, a link to somewhere else or a file that never ends: readers
// and writers here never block on such a thing, never read without a bound and never
// write through a link.

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class QIODevice;

namespace orvanel::files {

// Far above anything real, low enough that a runaway file cannot exhaust the memory.
inline constexpr qint64 TableReadLimit = qint64(256) << 20;
inline constexpr qint64 TextReadLimit = qint64(16) << 20;

enum class ReadStatus {
    Read,
    Missing,  // no such file (a link to nothing included)
    NotAFile, // a named pipe, a device, a folder, a socket
    TooLarge, // longer than the limit
    Failed    // no permission, an input/output error …
};

struct ReadResult
{
    ReadStatus status = ReadStatus::Failed;
    QByteArray bytes;
    QString error; // why, with the path; empty when read

    bool ok() const { return status == ReadStatus::Read; }
};

// Reads a whole regular file of at most maxBytes. A link is followed to a regular file
// (reading through it changes nothing), but anything that is not a regular file is
// answered NotAFile at once: the file is opened without blocking and looked at before a
// single byte is read, so a named pipe can stall nothing.
ReadResult readWhole(const QString& path, qint64 maxBytes);

// A regular file opened as readWhole opens it, then read a piece at a time, so that a
// large table can be shown before all of it is read. The pieces come from the file that
// was opened even when an engine replaces the name meanwhile.
class RegularFile final
{
public:
    RegularFile() = default;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;
    ~RegularFile();

    // The bytes of the answer stay empty; the status and error tell what readWhole would.
    ReadResult open(const QString& path, qint64 maxBytes);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    // The size when it was opened.
    qint64 size() const { return m_size; }
    // Up to `count` bytes from `offset`, as far as the size when opened; nothing, with the
    // reason, when they cannot be read.
    std::optional<QByteArray> readAt(qint64 offset, qint64 count, QString* error = nullptr) const;

private:
    int m_fd = -1;
    qint64 m_size = 0;
    QString m_path;
};

// Writes a new file beside `path` and renames it over `path`, so that the engines see the
// old content or the new one, never a half-written file. The name itself is replaced: a
// link at `path` becomes a plain file and what it pointed to is left alone. `write` fills
// the new file (it is unbuffered, so a write the disk refuses fails at once); when it or
// anything else fails, the old file stays as it was and error says why.
//
// The new content reaches the disk before the rename (Flush::ToDisk), so that a crash
// leaves the old content or the new one. Flush::None is for content the start makes again
// the same way when a crash has lost it: defaults written when a file is missing, values
// every start writes afresh. An empty file is never flushed: it holds nothing to lose.
enum class Flush { ToDisk, None };
bool replaceWhole(const QString& path, const std::function<bool(QIODevice&)>& write,
                  QString* error = nullptr, Flush flush = Flush::ToDisk);

// A descriptor of the system's, closed when it goes out of scope: for work on a folder
// opened once, relative to which its entries are compared and removed.
class Descriptor final
{
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor();
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

} // namespace orvanel::files
