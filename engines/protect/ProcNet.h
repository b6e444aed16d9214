#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvanel::engines {

// One socket line of /proc/net/tcp, tcp6, udp or udp6.
struct SocketEntry
{
    std::string protocol; // "TCP" or "UDP"
    std::string localAddress;
    unsigned localPort = 0;
    std::string remoteAddress;
    unsigned remotePort = 0;
    unsigned state = 0;
    unsigned long long inode = 0;

    // A TCP socket in LISTEN, or a UDP socket bound without a peer.
    bool isListening() const;
    // A socket with a peer (TCP ESTABLISHED, connected UDP).
    bool isConnected() const;
};

// Parses the text of one of those files; lines that do not read are passed over.
// Addresses are given dotted (IPv4) or in the usual IPv6 form.
std::vector<SocketEntry> parseProcNet(std::string_view text, std::string_view protocol, bool ipv6);

} // namespace orvanel::engines
