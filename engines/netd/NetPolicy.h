#pragma once

#include <nlohmann/json_fwd.hpp>

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvanel::netd {

// The seven protocols of the protocols page, in the order of the status flags line.
enum class Protocol { Ftp, Telnet, Smtp, Dns, Http, Https, Pop3 };
inline constexpr std::size_t ProtocolCount = 7;
inline constexpr std::array<std::string_view, ProtocolCount> ProtocolNames = {
    "FTP", "TELNET", "SMTP", "DNS", "HTTP", "HTTPS", "POP3"};

// The well-known ports of a protocol that a ticked switch refuses going out.
std::vector<std::uint16_t> protocolPorts(Protocol protocol);

// What the firewall service enforces for the whole machine: one versioned document that
// netpro.exe builds from the status flags line and the workspace files. `mode` is the
// firewall mode of firewall.txt; "2" means no table at all. `learning` is stored and
// handed back, not enforced yet.
struct Policy
{
    static constexpr int Version = 1;
    // The largest document the service reads: 10,000 closed ports take about 60 KB.
    static constexpr std::size_t MaxBytes = 512 * 1024;

    char mode = '2';
    std::vector<std::uint16_t> closedPorts; // sorted, without repeats, 1 to 65535
    bool internet = true;
    std::array<bool, ProtocolCount> blockedProtocols{};
    bool stealth = false;
    bool learning = true;

    bool firewallOn() const { return mode == '1' || mode == '3'; }
    bool operator==(const Policy&) const = default;
};

// The document as one line of JSON (no line end inside, so it can be framed by one).
std::string policyToJson(const Policy& policy);

// Reads a policy document strictly: the exact keys, types and ranges, nothing more, at
// most Policy::MaxBytes. Answers nothing with the reason in `error` otherwise.
std::optional<Policy> policyFromJson(std::string_view text, std::string* error);
std::optional<Policy> policyFromDocument(const nlohmann::json& document, std::string* error);

// One address of a blocked site and how long it stays in the set (the name's lifetime).
struct SiteAddress
{
    std::string address; // IPv4 or IPv6 as inet_ntop writes it
    std::uint32_t seconds = 0;
    bool operator==(const SiteAddress&) const = default;
};

// {"version":1,"request":"programs","deny":[cgroup…],"allow":[cgroup…]}: the user's
// engine adds cgroups to the deny sets and takes them out again. At most MaxListed of
// each, every one a valid cgroup path of that user's own (root: any).
struct ProgramsRequest
{
    static constexpr std::size_t MaxListed = 1024;
    // "learn" is optional: cgroups allowed until their first connection, which the
    // service then reports to their user's engines.
    std::vector<std::string> deny, allow, learn;
};
std::optional<ProgramsRequest> programsRequestOf(const nlohmann::json& document, uid_t uid,
                                                 std::string* error);

// {"version":1,"request":"sites","ipv4":[{"address":…,"seconds":…}…],"ipv6":[…]}: the
// whole list of the user's blocked addresses, replacing the one before; lifetimes from 1
// to MaxSeconds.
struct SitesRequest
{
    static constexpr std::size_t MaxListed = 16384;
    static constexpr std::uint32_t MaxSeconds = 86400;
    std::vector<SiteAddress> ipv4, ipv6;
};
std::optional<SitesRequest> sitesRequestOf(const nlohmann::json& document, std::string* error);

} // namespace orvanel::netd
