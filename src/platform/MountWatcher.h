#pragma once

#include <QString>

#include <functional>

namespace orvanel::platform {

// A mount that was not there before, as the device arrival message described a volume:
// the flags tell the cases the panel leaves alone.
struct MountArrival
{
    // Bit 0: mounted over a mount point that was already there (a medium changed in an
    // existing drive); bit 1: a network file system.
    static constexpr int MediaChange = 0x1;
    static constexpr int Network = 0x2;

    QString mountPoint;
    QString fileSystem;
    int flags = 0;
};

// Watches the system's mount table and tells of every new mount, one call per mount
// even when several appear at once. Pseudo file systems are never reported.
class MountWatcher
{
public:
    using ArrivalHandler = std::function<void(const MountArrival&)>;

    virtual ~MountWatcher() = default;

    // Starts watching and sends every later arrival to handler; an empty handler stops.
    // The handler may run a nested event loop (a question): arrivals found meanwhile
    // are handled inside it, each by its own call.
    virtual void setArrivalHandler(ArrivalHandler handler) = 0;
};

} // namespace orvanel::platform
