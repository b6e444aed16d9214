#include "platform/linux/ProcMemoryStatus.h"

#include "platform/linux/ProcText.h"

#include <QFile>

#include <algorithm>

namespace orvanel::platform {

MemorySnapshot parseMeminfo(std::string_view text)
{
    const auto field = [text](std::string_view key) { return meminfoBytes(text, key).value_or(0); };
    MemorySnapshot memory;
    memory.totalPhysical = field("MemTotal");
    const auto available = meminfoBytes(text, "MemAvailable");
    memory.availablePhysical =
        available ? *available : field("MemFree") + field("Buffers") + field("Cached");
    memory.availablePhysical = std::min(memory.availablePhysical, memory.totalPhysical);
    memory.totalSwap = field("SwapTotal");
    memory.freeSwap = std::min(field("SwapFree"), memory.totalSwap);
    if (memory.totalPhysical > 0) {
        const quint64 used = memory.totalPhysical - memory.availablePhysical;
        // In KiB, so that the product cannot overflow; rounded to the nearest percent.
        const quint64 totalKiB = std::max<quint64>(memory.totalPhysical / 1024, 1);
        memory.loadPercent = int((used / 1024 * 100 + totalKiB / 2) / totalKiB);
        memory.loadPercent = std::clamp(memory.loadPercent, 0, 100);
    }
    return memory;
}

ProcMemoryStatus::ProcMemoryStatus(QByteArray meminfoPath) : m_path(std::move(meminfoPath)) {}

MemorySnapshot ProcMemoryStatus::read() const
{
    QFile file(QFile::decodeName(m_path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // /proc files report a size of 0, so read until the end rather than by size.
    const QByteArray text = file.readAll();
    return parseMeminfo(std::string_view(text.constData(), std::size_t(text.size())));
}

} // namespace orvanel::platform
