#pragma once

#include <QString>

#include <chrono>

namespace orvanel {

// flock on the file that is now at `path`: the lock the file-free wait looks for, taken by
// the panel and the engines for the whole read, change and write of a table or a report
// file. Writers replace the file by renaming a new one over it, so when the name was given
// to a new file between the open and the lock, the new file is opened and locked instead.
// The lock is dropped when the HeldFile goes, after the new file took the old one's place.
class HeldFile final
{
public:
    enum class Mode { Shared, Exclusive };
    struct Options
    {
        bool create = false;      // a missing file is made empty
        bool followLinks = false; // else a link in the file's place is refused
        // How long a lock held by someone else is tried again; zero tries once.
        std::chrono::milliseconds patience{10000};
    };

    HeldFile(const QString& path, Mode mode, const Options& options);
    HeldFile(const QString& path, Mode mode) : HeldFile(path, mode, Options{}) {}
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    bool isHeld() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    const QString& error() const { return m_error; }

private:
    int m_fd = -1;
    QString m_error;
};

} // namespace orvanel
