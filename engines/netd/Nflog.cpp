#include "Nflog.h"

#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <linux/netfilter/nfnetlink.h>
#include <linux/netfilter/nfnetlink_log.h>
#include <linux/netlink.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace orvanel::netd {

namespace {

std::uint16_t be16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

std::uint32_t be32(const unsigned char* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::string address(int family, const unsigned char* bytes)
{
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(family, bytes, text, sizeof text);
    return text;
}

std::string protocolName(int protocol)
{
    switch (protocol) {
    case IPPROTO_TCP:
        return "TCP";
    case IPPROTO_UDP:
        return "UDP";
    case IPPROTO_ICMP:
        return "ICMP";
    case IPPROTO_ICMPV6:
        return "ICMPv6";
    default:
        return std::to_string(protocol);
    }
}

void readPorts(const unsigned char* transport, std::size_t size, int protocol, LogEvent& event)
{
    if ((protocol == IPPROTO_TCP || protocol == IPPROTO_UDP) && size >= 4) {
        event.sourcePort = be16(transport);
        event.destinationPort = be16(transport + 2);
    }
}

// One message's attributes, each checked against the message's end.
void readAttributes(const unsigned char* data, std::size_t size, LogEvent& event, bool& hasPacket)
{
    std::size_t offset = 0;
    while (offset + NLA_HDRLEN <= size) {
        nlattr attribute;
        std::memcpy(&attribute, data + offset, sizeof attribute);
        if (attribute.nla_len < NLA_HDRLEN || offset + attribute.nla_len > size)
            return;
        const unsigned char* value = data + offset + NLA_HDRLEN;
        const std::size_t length = attribute.nla_len - NLA_HDRLEN;
        switch (attribute.nla_type & NLA_TYPE_MASK) {
        case NFULA_PREFIX:
            event.prefix.assign(reinterpret_cast<const char*>(value),
                                strnlen(reinterpret_cast<const char*>(value), length));
            break;
        case NFULA_UID:
            if (length >= 4)
                event.uid = be32(value);
            break;
        case NFULA_PAYLOAD:
            hasPacket = parsePacket(value, length, event);
            break;
        default:
            break;
        }
        offset += NLA_ALIGN(attribute.nla_len);
    }
}

} // namespace

bool parsePacket(const unsigned char* data, std::size_t size, LogEvent& event)
{
    if (size >= 20 && data[0] >> 4 == 4) {
        const std::size_t headerLength = std::size_t(data[0] & 0x0f) * 4;
        if (headerLength < 20 || headerLength > size)
            return false;
        event.protocol = protocolName(data[9]);
        event.source = address(AF_INET, data + 12);
        event.destination = address(AF_INET, data + 16);
        readPorts(data + headerLength, size - headerLength, data[9], event);
        return true;
    }
    if (size >= 40 && data[0] >> 4 == 6) {
        // Extension headers are not followed: the ports of such a packet stay 0.
        event.protocol = protocolName(data[6]);
        event.source = address(AF_INET6, data + 8);
        event.destination = address(AF_INET6, data + 24);
        readPorts(data + 40, size - 40, data[6], event);
        return true;
    }
    return false;
}

std::vector<LogEvent> parseLogMessages(const unsigned char* data, std::size_t size)
{
    std::vector<LogEvent> events;
    std::size_t offset = 0;
    while (offset + NLMSG_HDRLEN <= size) {
        nlmsghdr header;
        std::memcpy(&header, data + offset, sizeof header);
        if (header.nlmsg_len < NLMSG_HDRLEN || offset + header.nlmsg_len > size)
            break;
        const bool isPacket = (header.nlmsg_type >> 8) == NFNL_SUBSYS_ULOG &&
                              (header.nlmsg_type & 0xff) == NFULNL_MSG_PACKET;
        const std::size_t body = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(nfgenmsg));
        if (isPacket && header.nlmsg_len >= body) {
            LogEvent event;
            bool hasPacket = false;
            readAttributes(data + offset + body, header.nlmsg_len - body, event, hasPacket);
            if (hasPacket && !event.prefix.empty())
                events.push_back(std::move(event));
        }
        offset += NLMSG_ALIGN(header.nlmsg_len);
    }
    return events;
}

bool NflogSocket::configure(std::uint16_t group, const void* attribute, std::uint16_t type,
                            std::size_t size)
{
    alignas(nlmsghdr) unsigned char message[64] = {};
    auto* header = reinterpret_cast<nlmsghdr*>(message);
    header->nlmsg_type = (NFNL_SUBSYS_ULOG << 8) | NFULNL_MSG_CONFIG;
    header->nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK;
    header->nlmsg_seq = ++m_sequence;
    auto* generic = reinterpret_cast<nfgenmsg*>(message + NLMSG_HDRLEN);
    generic->nfgen_family = AF_UNSPEC;
    generic->version = NFNETLINK_V0;
    generic->res_id = htons(group);
    const std::size_t at = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(nfgenmsg));
    nlattr head{static_cast<std::uint16_t>(NLA_HDRLEN + size), type};
    std::memcpy(message + at, &head, sizeof head);
    std::memcpy(message + at + NLA_HDRLEN, attribute, size);
    header->nlmsg_len = static_cast<std::uint32_t>(at + NLA_ALIGN(NLA_HDRLEN + size));
    if (send(m_fd.get(), message, header->nlmsg_len, 0) < 0)
        return false;
    alignas(nlmsghdr) unsigned char answer[256];
    const ssize_t n = recv(m_fd.get(), answer, sizeof answer, 0);
    if (n < static_cast<ssize_t>(NLMSG_HDRLEN + sizeof(nlmsgerr)))
        return false;
    const auto* reply = reinterpret_cast<const nlmsghdr*>(answer);
    if (reply->nlmsg_type != NLMSG_ERROR)
        return false;
    const auto* result = reinterpret_cast<const nlmsgerr*>(answer + NLMSG_HDRLEN);
    errno = -result->error;
    return result->error == 0;
}

bool NflogSocket::open(std::uint16_t group, std::string* error)
{
    m_fd = Fd(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_NETFILTER));
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    bool done = m_fd && bind(m_fd.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
    const nfulnl_msg_config_cmd bindCommand{NFULNL_CFG_CMD_BIND};
    // The packet's headers are enough: addresses and ports.
    const nfulnl_msg_config_mode mode{htonl(128), NFULNL_COPY_PACKET, 0};
    const std::uint32_t oneAtATime = htonl(1);
    done = done && configure(group, &bindCommand, NFULA_CFG_CMD, sizeof bindCommand) &&
           configure(group, &mode, NFULA_CFG_MODE, sizeof mode) &&
           configure(group, &oneAtATime, NFULA_CFG_QTHRESH, sizeof oneAtATime);
    if (!done) {
        if (error)
            *error = std::string("cannot read the netlink log group: ") + std::strerror(errno);
        m_fd = Fd();
        return false;
    }
    const int flags = 1;
    setsockopt(m_fd.get(), SOL_NETLINK, NETLINK_NO_ENOBUFS, &flags, sizeof flags);
    return true;
}

std::vector<LogEvent> NflogSocket::read()
{
    std::vector<LogEvent> events;
    alignas(nlmsghdr) static unsigned char buffer[65536];
    for (;;) {
        const ssize_t n = recv(m_fd.get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (LogEvent& event : parseLogMessages(buffer, static_cast<std::size_t>(n)))
            events.push_back(std::move(event));
    }
    return events;
}

} // namespace orvanel::netd
