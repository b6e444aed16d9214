#pragma once

#include "platform/Clock.h"

namespace orvanel::platform {

// The wall clock in the system's locale.
class SystemClock final : public Clock
{
public:
    QDateTime now() const override;
    QString longTimeText() const override;
};

} // namespace orvanel::platform
