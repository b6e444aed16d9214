#pragma once

#include <QString>

namespace orvanel::platform {

// The local host lookup: the machine's name and its first IPv4 address, dotted.
struct HostLookupResult
{
    bool ok = false;
    QString hostName;
    QString address; // empty when the name does not resolve
    QString error;   // the lookup's error text on failure
};

class HostLookup
{
public:
    virtual ~HostLookup() = default;
    virtual HostLookupResult lookup() const = 0;
};

} // namespace orvanel::platform
