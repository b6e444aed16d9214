#pragma once

#include "NetdSocket.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvanel::netd {

// One packet a refusing rule logged: the rule's prefix, the addresses and ports of the
// packet and, for a packet a local program sent, its owner's uid.
struct LogEvent
{
    std::string prefix;
    std::string protocol; // "TCP", "UDP", "ICMP", "ICMPv6" or the protocol number
    std::string source;
    std::string destination;
    std::uint16_t sourcePort = 0;
    std::uint16_t destinationPort = 0;
    std::optional<std::uint32_t> uid;

    bool operator==(const LogEvent&) const = default;
};

// The log events of one netlink datagram of the log subsystem (NFULNL_MSG_PACKET
// messages); anything malformed is passed over, never read beyond its length.
std::vector<LogEvent> parseLogMessages(const unsigned char* data, std::size_t size);

// The IP header and the first bytes of the transport header of a packet.
bool parsePacket(const unsigned char* data, std::size_t size, LogEvent& event);

// The kernel's netlink log group the refusing rules log to, read by the service.
class NflogSocket final
{
public:
    bool open(std::uint16_t group, std::string* error);
    int fd() const { return m_fd.get(); }
    // The events waiting now (the socket does not block).
    std::vector<LogEvent> read();

private:
    bool configure(std::uint16_t group, const void* attribute, std::uint16_t type,
                   std::size_t size);

    Fd m_fd;
    std::uint32_t m_sequence = 0;
};

} // namespace orvanel::netd
