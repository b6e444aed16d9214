#pragma once

#include <QString>

namespace orvanel::platform {

// The single-instance lock. Result codes keep their Windows meaning so that callers read
// as the start-up rules are written: 0 acquired, 183 already exists, 5 access denied.
class SingleInstanceLock
{
public:
    static constexpr int Acquired = 0;
    static constexpr int AlreadyExists = 183;
    static constexpr int AccessDenied = 5;

    virtual ~SingleInstanceLock() = default;

    // Takes the lock named name for the rest of this object's life (or the process's).
    virtual int acquire(const QString& name) = 0;
};

} // namespace orvanel::platform
