#pragma once

#include <QString>

namespace orvanel::platform {

// Opens web addresses, links and documents with the desktop's default handler.
// Answers like the Windows shell: 42 on success, 32 or less on failure (2 not found,
// 5 access denied …). An empty address opens nothing and answers 2.
class UrlOpener
{
public:
    static constexpr int Success = 42;
    static constexpr int FileNotFound = 2;

    virtual ~UrlOpener() = default;
    virtual int open(const QString& target) = 0;
};

} // namespace orvanel::platform
