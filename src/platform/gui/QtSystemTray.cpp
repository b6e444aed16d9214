#include "platform/gui/QtSystemTray.h"

#include <QSystemTrayIcon>

namespace orvanel::platform {

bool QtSystemTray::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace orvanel::platform
