#include "protect/Skips.h"

#include <QFile>
#include <QStringList>

namespace orvanel::engines {

using namespace Qt::StringLiterals;

QString skipReasonText(SkipReason reason)
{
    switch (reason) {
    case SkipReason::TooLarge:
        return u"too large"_s;
    case SkipReason::ArchiveTooDeep:
        return u"archive too deep"_s;
    case SkipReason::TooManyFiles:
        return u"too many files in the archive"_s;
    case SkipReason::Encrypted:
        return u"encrypted"_s;
    case SkipReason::TookTooLong:
        return u"took too long"_s;
    case SkipReason::OverLimits:
        return u"over the scan limits"_s;
    case SkipReason::Unreadable:
        return u"unreadable"_s;
    case SkipReason::OtherUsers:
        return u"another user's"_s;
    case SkipReason::FolderUnreadable:
        return u"folder unreadable"_s;
    case SkipReason::FolderGone:
        return u"folder gone"_s;
    case SkipReason::FolderMoved:
        return u"folder moved"_s;
    case SkipReason::FolderLoop:
        return u"folder loop"_s;
    }
    return {};
}

std::optional<SkipReason> skipReasonOfSignature(std::string_view signature)
{
    constexpr std::string_view limits = "Heuristics.Limits.Exceeded.";
    constexpr std::string_view encrypted = "Heuristics.Encrypted.";
    if (signature.starts_with(encrypted))
        return SkipReason::Encrypted;
    if (!signature.starts_with(limits))
        return std::nullopt;
    const std::string_view limit = signature.substr(limits.size());
    if (limit == "MaxFileSize" || limit == "MaxScanSize")
        return SkipReason::TooLarge;
    if (limit == "MaxRecursion")
        return SkipReason::ArchiveTooDeep;
    if (limit == "MaxFiles")
        return SkipReason::TooManyFiles;
    if (limit == "MaxScanTime")
        return SkipReason::TookTooLong;
    return SkipReason::OverLimits;
}

QString skipLine(const Skip& skip)
{
    return QFile::decodeName(skip.path.c_str()) + u": skipped, "_s + skipReasonText(skip.reason);
}

void SkipCounts::add(const SkipCounts& other)
{
    for (std::size_t i = 0; i < kSkipReasonCount; ++i)
        m_counts[i] += other.m_counts[i];
}

unsigned long long SkipCounts::total() const
{
    unsigned long long sum = 0;
    for (const unsigned long long count : m_counts)
        sum += count;
    return sum;
}

QString SkipCounts::text() const
{
    QStringList parts;
    for (std::size_t i = 0; i < kSkipReasonCount; ++i) {
        if (m_counts[i] > 0)
            parts.append(u"%1 "_s.arg(m_counts[i]) + skipReasonText(SkipReason(i)));
    }
    return parts.join(u", "_s);
}

} // namespace orvanel::engines
