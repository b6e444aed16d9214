#pragma once

#include "platform/HostLookup.h"

namespace orvanel::platform {

// The machine's name (gethostname) and its first IPv4 address (getaddrinfo), dotted.
// There is no sockets library to start on Linux, so the lookup cannot fail the way a
// sockets start-up fails; only reading the name can.
class SocketHostLookup final : public HostLookup
{
public:
    HostLookupResult lookup() const override;

    // The error text for an errno of gethostname, in the words the panel has always
    // used for the matching sockets errors; empty for every other error.
    static QString errorText(int error);
    // A host name's first IPv4 address, dotted; empty when it does not resolve.
    static QString firstAddress(const QByteArray& hostName);
};

} // namespace orvanel::platform
