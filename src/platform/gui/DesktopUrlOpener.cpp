#include "platform/gui/DesktopUrlOpener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace orvanel::platform {

namespace {

// "http://…", "mailto:…": a scheme of two letters or more; one letter would be a drive.
bool hasScheme(const QString& target)
{
    const QUrl url(target, QUrl::StrictMode);
    return url.isValid() && url.scheme().size() > 1 && !target.startsWith(u'/');
}

} // namespace

DesktopUrlOpener::DesktopUrlOpener(Handler handler)
    : m_handler(handler ? std::move(handler)
                        : Handler([](const QUrl& url) { return QDesktopServices::openUrl(url); }))
{
}

QUrl DesktopUrlOpener::urlOf(const QString& target)
{
    if (target.trimmed().isEmpty())
        return {};
    if (hasScheme(target)) {
        const QUrl url(target);
        if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
            return {};
        return url;
    }
    const QFileInfo file(target);
    if (!file.exists())
        return {};
    return QUrl::fromLocalFile(file.absoluteFilePath());
}

int DesktopUrlOpener::open(const QString& target)
{
    const QUrl url = urlOf(target);
    if (!url.isValid())
        return FileNotFound;
    return m_handler(url) ? Success : NoAssociation;
}

} // namespace orvanel::platform
