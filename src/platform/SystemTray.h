#pragma once

namespace orvanel::platform {

// Whether the desktop offers a notification area. Without one the panel runs with no
// icon, and closing the main window minimises it so that the user can still reach it.
class SystemTray
{
public:
    virtual ~SystemTray() = default;
    virtual bool isAvailable() const = 0;
};

} // namespace orvanel::platform
