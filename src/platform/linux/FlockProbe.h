#pragma once

#include "platform/ExclusiveOpenProbe.h"

namespace orvanel::platform {

// The file-free test: an engine that needs a workspace file for itself holds an
// exclusive flock on it, so the file is busy while that lock is held elsewhere or while
// the file cannot be opened for reading and writing at all. Something that is not a
// regular file (a folder, a named pipe, a device) is never busy: there is nothing to
// wait for, and the readers refuse it themselves.
class FlockProbe final : public ExclusiveOpenProbe
{
public:
    bool isBusy(const QString& path) const override;
};

} // namespace orvanel::platform
