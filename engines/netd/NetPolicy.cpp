#include "NetPolicy.h"

#include "Cgroups.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <initializer_list>
#include <set>
#include <string_view>

#include <arpa/inet.h>

namespace orvanel::netd {

using nlohmann::json;

std::vector<std::uint16_t> protocolPorts(Protocol protocol)
{
    switch (protocol) {
    case Protocol::Ftp:
        return {20, 21};
    case Protocol::Telnet:
        return {23};
    case Protocol::Smtp:
        return {25, 465, 587};
    case Protocol::Dns:
        return {53};
    case Protocol::Http:
        return {80};
    case Protocol::Https:
        return {443};
    case Protocol::Pop3:
        return {110, 995};
    }
    return {};
}

std::string policyToJson(const Policy& policy)
{
    json blocked = json::array();
    for (std::size_t i = 0; i < ProtocolCount; ++i)
        if (policy.blockedProtocols[i])
            blocked.push_back(ProtocolNames[i]);
    const json document = {
        {"version", Policy::Version},         {"mode", std::string(1, policy.mode)},
        {"closed_ports", policy.closedPorts}, {"internet", policy.internet},
        {"blocked_protocols", blocked},       {"stealth", policy.stealth},
        {"learning", policy.learning}};
    return document.dump();
}

namespace {

bool fail(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
    return false;
}

bool readPorts(const json& value, Policy& policy, std::string* error)
{
    if (!value.is_array() || value.size() > 65535)
        return fail(error, "closed_ports: not a list of at most 65535 ports");
    std::set<std::uint16_t> ports;
    for (const json& port : value) {
        if (!port.is_number_unsigned() || port.get<std::uint64_t>() < 1 ||
            port.get<std::uint64_t>() > 65535)
            return fail(error, "closed_ports: a port is not a number from 1 to 65535");
        ports.insert(port.get<std::uint16_t>());
    }
    policy.closedPorts.assign(ports.begin(), ports.end());
    return true;
}

bool readProtocols(const json& value, Policy& policy, std::string* error)
{
    if (!value.is_array() || value.size() > ProtocolCount)
        return fail(error, "blocked_protocols: not a list of protocol names");
    for (const json& name : value) {
        const auto* text = name.get_ptr<const std::string*>();
        const auto found = text ? std::find(ProtocolNames.begin(), ProtocolNames.end(), *text)
                                : ProtocolNames.end();
        if (found == ProtocolNames.end())
            return fail(error, "blocked_protocols: unknown protocol");
        policy.blockedProtocols[static_cast<std::size_t>(found - ProtocolNames.begin())] = true;
    }
    return true;
}

bool readFlag(const json& document, const char* key, bool& flag, std::string* error)
{
    const json& value = document.at(key);
    if (!value.is_boolean())
        return fail(error, std::string(key) + ": not true or false");
    flag = value.get<bool>();
    return true;
}

bool readDocument(const json& document, Policy& policy, std::string* error)
{
    static const std::set<std::string> keys = {
        "version", "mode", "closed_ports", "internet", "stealth", "blocked_protocols", "learning"};
    if (!document.is_object() || document.size() != keys.size())
        return fail(error, "the policy is not an object with exactly its seven keys");
    for (const auto& [key, value] : document.items())
        if (!keys.contains(key))
            return fail(error, "unknown key in the policy");
    const json& version = document.at("version");
    if (!version.is_number_integer() || version.get<std::int64_t>() != Policy::Version)
        return fail(error, "version: only version 1 is understood");
    const auto* mode = document.at("mode").get_ptr<const std::string*>();
    if (!mode || mode->size() != 1 || std::string_view("123").find((*mode)[0]) == std::string::npos)
        return fail(error, "mode: not \"1\", \"2\" or \"3\"");
    policy.mode = (*mode)[0];
    return readPorts(document.at("closed_ports"), policy, error) &&
           readProtocols(document.at("blocked_protocols"), policy, error) &&
           readFlag(document, "internet", policy.internet, error) &&
           readFlag(document, "stealth", policy.stealth, error) &&
           readFlag(document, "learning", policy.learning, error);
}

} // namespace

std::optional<Policy> policyFromJson(std::string_view text, std::string* error)
{
    if (text.size() > Policy::MaxBytes) {
        fail(error, "the policy is larger than " + std::to_string(Policy::MaxBytes) + " bytes");
        return std::nullopt;
    }
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded()) {
        fail(error, "the policy is not JSON");
        return std::nullopt;
    }
    return policyFromDocument(document, error);
}

std::optional<Policy> policyFromDocument(const nlohmann::json& document, std::string* error)
{
    Policy policy;
    if (!readDocument(document, policy, error))
        return std::nullopt;
    return policy;
}

} // namespace orvanel::netd

namespace orvanel::netd {

namespace {

// Called for each of up to 16384 addresses: the keys are not copied into a set.
bool exactKeys(const json& document, std::initializer_list<std::string_view> keys,
               std::string* error)
{
    if (!document.is_object() || document.size() != keys.size())
        return fail(error, "the request does not have exactly its keys");
    for (const auto& [key, value] : document.items())
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            return fail(error, "unknown key " + key.substr(0, 40) + " in the request");
    return true;
}

bool readCgroups(const json& list, uid_t uid, std::vector<std::string>& paths, std::string* error)
{
    if (!list.is_array() || list.size() > ProgramsRequest::MaxListed)
        return fail(error, "not a list of at most 1024 cgroups");
    for (const json& item : list) {
        const auto* path = item.get_ptr<const std::string*>();
        if (!path || !validCgroupPath(*path, error))
            return path ? false : fail(error, "a cgroup is not a text");
        if (!cgroupOwnedBy(*path, uid))
            return fail(error, "user " + std::to_string(uid) +
                                   " may only name cgroups of "
                                   "its own slice");
        paths.push_back(*path);
    }
    return true;
}

std::optional<std::string> canonicalAddress(const std::string& text, bool six)
{
    unsigned char bytes[16];
    char out[INET6_ADDRSTRLEN];
    const int family = six ? AF_INET6 : AF_INET;
    if (text.size() > 45 || inet_pton(family, text.c_str(), bytes) != 1 ||
        !inet_ntop(family, bytes, out, sizeof out))
        return std::nullopt;
    return std::string(out);
}

bool readSites(const json& list, bool six, std::vector<SiteAddress>& sites, std::string* error)
{
    if (!list.is_array() || list.size() > SitesRequest::MaxListed)
        return fail(error, "not a list of at most 16384 addresses");
    for (const json& item : list) {
        if (!exactKeys(item, {"address", "seconds"}, error))
            return false;
        const auto* text = item.at("address").get_ptr<const std::string*>();
        const auto address = text ? canonicalAddress(*text, six) : std::nullopt;
        const json& seconds = item.at("seconds");
        if (!address)
            return fail(error, six ? "an address is not IPv6" : "an address is not IPv4");
        if (!seconds.is_number_integer() || seconds.get<std::int64_t>() < 1 ||
            seconds.get<std::int64_t>() > SitesRequest::MaxSeconds)
            return fail(error, "a lifetime is not a number of seconds from 1 to 86400");
        sites.push_back({*address, seconds.get<std::uint32_t>()});
    }
    return true;
}

} // namespace

std::optional<ProgramsRequest> programsRequestOf(const json& document, uid_t uid,
                                                 std::string* error)
{
    ProgramsRequest request;
    const bool learns = document.is_object() && document.contains("learn");
    if (!(learns ? exactKeys(document, {"version", "request", "deny", "allow", "learn"}, error)
                 : exactKeys(document, {"version", "request", "deny", "allow"}, error)) ||
        !readCgroups(document.at("deny"), uid, request.deny, error) ||
        !readCgroups(document.at("allow"), uid, request.allow, error) ||
        (learns && !readCgroups(document.at("learn"), uid, request.learn, error)))
        return std::nullopt;
    return request;
}

std::optional<SitesRequest> sitesRequestOf(const json& document, std::string* error)
{
    SitesRequest request;
    if (!exactKeys(document, {"version", "request", "ipv4", "ipv6"}, error) ||
        !readSites(document.at("ipv4"), false, request.ipv4, error) ||
        !readSites(document.at("ipv6"), true, request.ipv6, error))
        return std::nullopt;
    return request;
}

} // namespace orvanel::netd
