#pragma once

#include <QString>

namespace orvanel::platform {

// Tells whether another process holds a workspace file for itself. Engines that need a
// file alone hold an exclusive flock on it while they work.
class ExclusiveOpenProbe
{
public:
    virtual ~ExclusiveOpenProbe() = default;

    // A missing file is free, and so is anything that is not a regular file. A file that
    // cannot be opened for reading and writing, or whose exclusive lock is held
    // elsewhere, is busy.
    virtual bool isBusy(const QString& path) const = 0;
};

} // namespace orvanel::platform
