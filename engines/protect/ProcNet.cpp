#include "protect/ProcNet.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstring>
#include <optional>

namespace orvanel::engines {

namespace {

constexpr unsigned kTcpEstablished = 0x01;
constexpr unsigned kTcpListen = 0x0A;
constexpr unsigned kUdpUnconnected = 0x07;

std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(' ', at);
        if (start == std::string_view::npos)
            break;
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos)
            end = line.size();
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    return words;
}

template <typename T> std::optional<T> number(std::string_view text, int base)
{
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// The kernel prints each 32-bit word of the address in the machine's byte order.
std::optional<std::string> addressText(std::string_view hex, bool ipv6)
{
    const std::size_t words = ipv6 ? 4 : 1;
    if (hex.size() != words * 8)
        return std::nullopt;
    unsigned char bytes[16];
    for (std::size_t w = 0; w < words; ++w) {
        const auto word = number<uint32_t>(hex.substr(w * 8, 8), 16);
        if (!word)
            return std::nullopt;
        std::memcpy(bytes + w * 4, &*word, 4);
    }
    char text[INET6_ADDRSTRLEN] = {};
    if (!inet_ntop(ipv6 ? AF_INET6 : AF_INET, bytes, text, sizeof text))
        return std::nullopt;
    return std::string(text);
}

// "0100007F:1F90" → address and port.
bool endpoint(std::string_view text, bool ipv6, std::string& address, unsigned& port)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return false;
    const auto host = addressText(text.substr(0, colon), ipv6);
    const auto value = number<unsigned>(text.substr(colon + 1), 16);
    if (!host || !value || *value > 65535)
        return false;
    address = *host;
    port = *value;
    return true;
}

std::optional<SocketEntry> entryOf(std::string_view line, std::string_view protocol, bool ipv6)
{
    // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode …
    const std::vector<std::string_view> words = fields(line);
    if (words.size() < 10 || words[0].empty() || words[0].back() != ':')
        return std::nullopt;
    SocketEntry entry;
    entry.protocol = std::string(protocol);
    const auto state = number<unsigned>(words[3], 16);
    const auto inode = number<unsigned long long>(words[9], 10);
    if (!endpoint(words[1], ipv6, entry.localAddress, entry.localPort) ||
        !endpoint(words[2], ipv6, entry.remoteAddress, entry.remotePort) || !state || !inode)
        return std::nullopt;
    entry.state = *state;
    entry.inode = *inode;
    return entry;
}

} // namespace

bool SocketEntry::isListening() const
{
    if (protocol == "TCP")
        return state == kTcpListen;
    return state == kUdpUnconnected && remotePort == 0;
}

bool SocketEntry::isConnected() const
{
    return state == kTcpEstablished;
}

std::vector<SocketEntry> parseProcNet(std::string_view text, std::string_view protocol, bool ipv6)
{
    std::vector<SocketEntry> entries;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        if (const auto entry = entryOf(text.substr(at, end - at), protocol, ipv6))
            entries.push_back(*entry);
        at = end + 1;
    }
    return entries;
}

} // namespace orvanel::engines
