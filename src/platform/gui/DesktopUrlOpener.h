#pragma once

#include "platform/UrlOpener.h"

#include <QUrl>

#include <functional>

namespace orvanel::platform {

// Opens addresses and local files with the desktop's default handler (xdg-open behind
// QDesktopServices), answering with the shell's codes.
class DesktopUrlOpener final : public UrlOpener
{
public:
    // The desktop's handler call; tests give one that records instead of opening.
    using Handler = std::function<bool(const QUrl&)>;
    static constexpr int NoAssociation = 31;

    explicit DesktopUrlOpener(Handler handler = {});

    int open(const QString& target) override;

    // What a target names: a web address or other URL with a scheme, else a local path.
    // An invalid URL when it names nothing that could be opened.
    static QUrl urlOf(const QString& target);

private:
    Handler m_handler;
};

} // namespace orvanel::platform
