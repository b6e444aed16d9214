#pragma once

#include "platform/MemoryStatus.h"

#include <QByteArray>

#include <string_view>

namespace orvanel::platform {

// The machine's memory figures from /proc/meminfo.
class ProcMemoryStatus final : public MemoryStatus
{
public:
    explicit ProcMemoryStatus(QByteArray meminfoPath = QByteArrayLiteral("/proc/meminfo"));

    MemorySnapshot read() const override;

private:
    QByteArray m_path;
};

// The figures of one /proc/meminfo text. Kernels older than 3.14 give no MemAvailable;
// then free memory plus the reclaimable caches stands in for it.
MemorySnapshot parseMeminfo(std::string_view text);

} // namespace orvanel::platform
