#pragma once

#include <QString>
#include <QStringList>

namespace orvanel::platform {

// The machine's volumes: the mounted real file systems, each named by its mount point
// (the drive letters of the engines' world). Pseudo file systems (proc, sysfs, tmpfs …)
// are no volumes.
class Volumes
{
public:
    // Answers like the shell did for a drive's listing: 42 on success, 32 or less on
    // failure (2 not found, 5 access denied).
    static constexpr int Success = 42;
    static constexpr int NotFound = 2;
    static constexpr int AccessDenied = 5;

    virtual ~Volumes() = default;

    // The mount points of the mounted volumes, in mount order, each once.
    virtual QStringList mountPoints() const = 0;

    // The volume information query: whether the file system at the mount point answers
    // (a volume being torn down or a dead network share does not).
    virtual bool isReady(const QString& mountPoint) const = 0;

    // Lists the root folder of the volume, as a test that its files can be read. The
    // listing itself is not kept. No shell is involved: the path is never interpreted.
    virtual int listRoot(const QString& mountPoint) = 0;
};

} // namespace orvanel::platform
