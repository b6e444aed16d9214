#pragma once

#include <QtGlobal>

namespace orvanel::platform {

// The machine's memory in 64-bit byte counts (a 32-bit record would wrap above 4 GiB).
struct MemorySnapshot
{
    quint64 totalPhysical = 0;
    quint64 availablePhysical = 0;
    quint64 totalSwap = 0;
    quint64 freeSwap = 0;
    int loadPercent = 0; // share of physical memory in use, 0 to 100
};

class MemoryStatus
{
public:
    virtual ~MemoryStatus() = default;
    virtual MemorySnapshot read() const = 0;
};

} // namespace orvanel::platform
