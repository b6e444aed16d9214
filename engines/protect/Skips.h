#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvanel::engines {

// Why a file or folder a scan met was not scanned. A skip is neither clean nor a
// detection: the scan log names it with its reason and the summary counts it by reason.
enum class SkipReason {
    TooLarge,         // over the engine's file size or scan size
    ArchiveTooDeep,   // archives nested deeper than the engine follows
    TooManyFiles,     // more files in one archive than the engine opens
    Encrypted,        // an encrypted archive or document
    TookTooLong,      // the engine's time for one file ran out
    OverLimits,       // another limit of the engine (mail headers and parts)
    Unreadable,       // refused to us, or a read error
    OtherUsers,       // another login account's file, never read
    FolderUnreadable, // a folder refused to us
    FolderGone,       // removed or renamed away before the walk came to it
    FolderMoved,      // a folder on the way replaced by another while the walk was below it
    FolderLoop,       // a folder mounted inside itself
};
inline constexpr std::size_t kSkipReasonCount = std::size_t(SkipReason::FolderLoop) + 1;

// "too large", "encrypted" …: the words of the scan log and the summary.
QString skipReasonText(SkipReason reason);

// The reason behind the names the engine gives its limit and encryption heuristics
// ("Heuristics.Limits.Exceeded.MaxFileSize", "Heuristics.Encrypted.Zip"); nothing for
// any other name, which is a detection.
std::optional<SkipReason> skipReasonOfSignature(std::string_view signature);

struct Skip
{
    std::string path;
    SkipReason reason;
};

// The scan log's line for a skip: "<path>: skipped, <reason>".
QString skipLine(const Skip& skip);

class SkipCounts final
{
public:
    void add(SkipReason reason, unsigned long long count = 1)
    {
        m_counts[std::size_t(reason)] += count;
    }
    void add(const SkipCounts& other);
    unsigned long long count(SkipReason reason) const { return m_counts[std::size_t(reason)]; }
    unsigned long long total() const;
    // "1 too large, 1 encrypted, 1 unreadable": the reasons met, in the order of the enum.
    QString text() const;

private:
    std::array<unsigned long long, kSkipReasonCount> m_counts{};
};

} // namespace orvanel::engines
