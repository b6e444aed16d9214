#pragma once

#include <QDateTime>
#include <QString>

namespace orvanel::platform {

// The wall clock, injectable so that the scheduler's minute logic is tested with a
// scripted clock instead of by waiting.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // The current time in the system's long time format ("9:05:00", "09:05:00 UTC" …).
    virtual QString longTimeText() const = 0;
};

} // namespace orvanel::platform
