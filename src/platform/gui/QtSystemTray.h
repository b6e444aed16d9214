#pragma once

#include "platform/SystemTray.h"

namespace orvanel::platform {

// Whether the desktop shows a notification area right now.
class QtSystemTray final : public SystemTray
{
public:
    bool isAvailable() const override;
};

} // namespace orvanel::platform
