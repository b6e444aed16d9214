#include "NetRules.h"

#include <algorithm>
#include <set>

namespace orvanel::netd {

using nlohmann::json;

namespace {

// How often a refusing rule may log: a flood is logged at this rate and refused whole.
constexpr int LogRatePerSecond = 10;
constexpr int LogBurst = 20;

// One statement or expression: an object of one key (written out, since a braced list
// of two values is read as an array).
json statement(const char* key, json value = nullptr)
{
    json object = json::object();
    object[key] = std::move(value);
    return object;
}

json table()
{
    return {{"family", TableFamily}, {"name", TableName}};
}

json add(const char* kind, json object)
{
    object["family"] = TableFamily;
    object["table"] = TableName;
    return statement("add", statement(kind, std::move(object)));
}

json match(json left, json right, const char* op = "==")
{
    return statement("match", {{"op", op}, {"left", std::move(left)}, {"right", std::move(right)}});
}

json meta(const char* key)
{
    return statement("meta", {{"key", key}});
}

json ctState(json states)
{
    return match(statement("ct", {{"key", "state"}}), std::move(states), "in");
}

json originalDirection()
{
    return match(statement("ct", {{"key", "direction"}}), "original");
}

json portIn(const char* set)
{
    return match(statement("payload", {{"protocol", "th"}, {"field", "dport"}}),
                 std::string("@") + set);
}

json tcpOrUdp()
{
    return match(meta("l4proto"), statement("set", json::array({"tcp", "udp"})));
}

json rule(const char* chain, json expressions)
{
    if (!expressions.is_array())
        expressions = json::array({std::move(expressions)});
    return add("rule", {{"chain", chain}, {"expr", std::move(expressions)}});
}

// The rules of a policy's table, in order. A refusing rule goes to a chain of its prefix,
// which logs at a bounded rate under that prefix and then refuses every packet (a limit
// in the refusing rule itself would let the packets over the rate through). Its own chain
// keeps each match to one pass for the packets that go through; it is made at its first
// use, so the table holds only the refusals of its policy.
struct Commands
{
    json list;
    std::uint16_t logGroup = 0;
    std::set<std::string_view> refusals;

    void push(json command) { list.push_back(std::move(command)); }

    void refuse(const char* chain, json matches, std::string_view prefix)
    {
        const std::string target = "refuse-" + std::string(prefix.substr(prefix.find(':') + 1));
        if (refusals.insert(prefix).second) {
            push(add("chain", {{"name", target}}));
            push(rule(
                target.c_str(),
                {statement("limit",
                           {{"rate", LogRatePerSecond}, {"per", "second"}, {"burst", LogBurst}}),
                 statement("log", {{"prefix", prefix}, {"group", logGroup}})}));
            push(rule(target.c_str(), json::array({statement("goto", {{"target", "refuse"}})})));
        }
        matches.push_back(statement("goto", {{"target", target}}));
        push(rule(chain, std::move(matches)));
    }
};

// A plain set of 16-bit keys gets the kernel's bitmap type, which compares every new
// element with all those before it: 10,000 closed ports took half a second to load. The
// timeout flag (no element ever gets one) selects the hash type instead, sized for every
// port at once so that it never grows while loading; its clean-up pass, which has nothing
// to remove, runs once an hour instead of every second.
json portSet(const char* name, const std::vector<std::uint16_t>& ports)
{
    json set = {{"name", name},
                {"type", "inet_service"},
                {"flags", json::array({"timeout"})},
                {"gc-interval", 3600},
                {"size", 65536}};
    if (!ports.empty())
        set["elem"] = ports;
    return add("set", std::move(set));
}

json baseChain(const char* name, const char* hook)
{
    return add(
        "chain",
        {{"name", name}, {"type", "filter"}, {"hook", hook}, {"prio", 0}, {"policy", "accept"}});
}

// Stealth drops; otherwise TCP gets a reset and the rest "port unreachable", so that a
// program sees its connection refused at once.
void addRefuseChain(json& commands, bool stealth)
{
    commands.push_back(add("chain", {{"name", "refuse"}}));
    if (stealth) {
        commands.push_back(rule("refuse", json::array({statement("drop")})));
        return;
    }
    commands.push_back(rule(
        "refuse", {match(meta("l4proto"), "tcp"), statement("reject", {{"type", "tcp reset"}})}));
    commands.push_back(rule(
        "refuse",
        json::array({statement("reject", {{"type", "icmpx"}, {"expr", "port-unreachable"}})})));
}

json icmpType(const char* protocol, json types)
{
    return match(statement("payload", {{"protocol", protocol}, {"field", "type"}}),
                 std::move(types));
}

void addInputChain(Commands& commands, const Policy& policy)
{
    commands.push(baseChain("input", "input"));
    commands.push(rule("input", {match(meta("iifname"), "lo"), statement("accept")}));
    commands.refuse("input", json::array({originalDirection(), tcpOrUdp(), portIn("closed_ports")}),
                    prefixes::ClosedPortIn);
    commands.push(
        rule("input", {ctState(json::array({"established", "related"})), statement("accept")}));
    commands.push(rule("input", {ctState(json::array({"invalid"})), statement("drop")}));
    // Neighbour discovery is how IPv6 finds the next hop; without it nothing arrives.
    commands.push(
        rule("input",
             {icmpType("icmpv6",
                       statement("set", json::array({"nd-neighbor-solicit", "nd-neighbor-advert",
                                                     "nd-router-advert", "mld-listener-query"}))),
              statement("accept")}));
    const json pings[] = {icmpType("icmp", "echo-request"), icmpType("icmpv6", "echo-request")};
    for (const json& ping : pings) {
        if (policy.stealth)
            commands.refuse("input", json::array({ping}), prefixes::Ping);
        else
            commands.push(rule("input", {ping, statement("accept")}));
    }
    commands.refuse("input", json::array({ctState(json::array({"new"}))}), prefixes::Incoming);
}

std::vector<std::uint16_t> protocolPortsOf(const Policy& policy)
{
    std::set<std::uint16_t> ports;
    for (std::size_t i = 0; i < ProtocolCount; ++i)
        if (policy.blockedProtocols[i])
            for (std::uint16_t port : protocolPorts(static_cast<Protocol>(i)))
                ports.insert(port);
    return {ports.begin(), ports.end()};
}

std::string deniedSet(int level)
{
    return "denied_l" + std::to_string(level);
}

std::string learningSet(int level)
{
    return "learn_l" + std::to_string(level);
}

json siteSet(const char* name, const char* type)
{
    return add("set", {{"name", name}, {"type", type}, {"flags", json::array({"timeout"})}});
}

json siteElements(const char* name, const std::vector<SiteAddress>& addresses)
{
    json elements = json::array();
    for (const SiteAddress& site : addresses)
        elements.push_back(
            statement("elem", {{"val", site.address}, {"timeout", std::max(1u, site.seconds)}}));
    return add("element", {{"name", name}, {"elem", std::move(elements)}});
}

// The sets the users' engines fill; the chain "programs" gets its rules afterwards.
void addElementSets(json& commands)
{
    for (int level = 1; level <= MaxCgroupLevel; ++level) {
        commands.push_back(add("set", {{"name", deniedSet(level)}, {"type", "cgroupsv2"}}));
        commands.push_back(add("set", {{"name", learningSet(level)}, {"type", "cgroupsv2"}}));
    }
    commands.push_back(siteSet("sites4", "ipv4_addr"));
    commands.push_back(siteSet("sites6", "ipv6_addr"));
    commands.push_back(add("chain", {{"name", "programs"}}));
}

void fillDenied(json& commands, const TableElements& elements)
{
    for (int level = 1; level <= MaxCgroupLevel; ++level) {
        const auto index = static_cast<std::size_t>(level - 1);
        if (!elements.denied[index].empty())
            commands.push_back(
                add("element", {{"name", deniedSet(level)}, {"elem", elements.denied[index]}}));
        if (!elements.learning[index].empty())
            commands.push_back(
                add("element", {{"name", learningSet(level)}, {"elem", elements.learning[index]}}));
    }
}

void fillSites(json& commands, const TableElements& elements)
{
    if (!elements.sites4.empty())
        commands.push_back(siteElements("sites4", elements.sites4));
    if (!elements.sites6.empty())
        commands.push_back(siteElements("sites6", elements.sites6));
}

json siteMatch(const char* protocol, const char* set)
{
    return match(statement("payload", {{"protocol", protocol}, {"field", "daddr"}}),
                 std::string("@") + set);
}

void addOutputChain(Commands& commands, const Policy& policy)
{
    commands.push(baseChain("output", "output"));
    commands.push(rule("output", {match(meta("oifname"), "lo"), statement("accept")}));
    // Refused programs are not logged: the engine that denied them raised the alert.
    commands.push(rule("output", json::array({statement("jump", {{"target", "programs"}})})));
    commands.refuse("output", json::array({siteMatch("ip", "sites4")}), prefixes::Site);
    commands.refuse("output", json::array({siteMatch("ip6", "sites6")}), prefixes::Site);
    if (!policy.internet)
        commands.refuse("output", json::array(), prefixes::InternetOff);
    commands.refuse("output",
                    json::array({originalDirection(), tcpOrUdp(), portIn("closed_ports")}),
                    prefixes::ClosedPortOut);
    commands.refuse("output",
                    json::array({originalDirection(), tcpOrUdp(), portIn("protocol_ports")}),
                    prefixes::Protocol);
}

} // namespace

json removal()
{
    return json::array({statement("add", statement("table", table())),
                        statement("delete", statement("table", table()))});
}

json removeTableCommands()
{
    return statement("nftables", removal());
}

json replaceTableCommands(const Policy& policy, std::uint16_t logGroup,
                          const TableElements& elements)
{
    json commands = removal();
    if (!policy.firewallOn())
        return statement("nftables", std::move(commands));
    commands.push_back(statement("add", statement("table", table())));
    commands.push_back(portSet("closed_ports", policy.closedPorts));
    commands.push_back(portSet("protocol_ports", protocolPortsOf(policy)));
    addElementSets(commands);
    fillDenied(commands, elements);
    fillSites(commands, elements);
    addRefuseChain(commands, policy.stealth);
    Commands chains{std::move(commands), logGroup, {}};
    addInputChain(chains, policy);
    addOutputChain(chains, policy);
    return statement("nftables", std::move(chains.list));
}

std::string seenSet(int level)
{
    return "seen_l" + std::to_string(level);
}

CgroupLevels levelsInUse(const TableElements& elements)
{
    CgroupLevels levels;
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = !elements.denied[i].empty() || !elements.learning[i].empty();
    return levels;
}

std::string programRulesText(std::uint16_t logGroup, CgroupLevels levels)
{
    std::string text;
    for (int level = 1; level <= MaxCgroupLevel; ++level) {
        const std::string cgroup = "socket cgroupv2 level " + std::to_string(level);
        // Filled by the kernel from the packet path, hence dynamic and bounded (a size is
        // also the hash table the kernel zeroes at every policy); libnftables
        // 1.0.6 reads the flag "dynamic" in no JSON form.
        text += "add set inet orvanel " + seenSet(level) +
                " { type cgroupsv2; size 4096; flags dynamic; }\n";
        if (!levels[static_cast<std::size_t>(level - 1)])
            continue;
        text +=
            "add rule inet orvanel programs " + cgroup + " @" + deniedSet(level) + " jump refuse\n";
        // The set remembers the cgroup even when the log's rate limit drops the line. The
        // connection's state comes first: it is cheaper to read than the socket's cgroup.
        text += "add rule inet orvanel programs ct state new " + cgroup + " @" +
                learningSet(level) + " add @" + seenSet(level) + " { " + cgroup + " } limit rate " +
                std::to_string(LogRatePerSecond) + "/second burst " + std::to_string(LogBurst) +
                " packets log group " + std::to_string(logGroup) + " prefix \"" +
                std::string(prefixes::Learn) + "\"\n";
    }
    return text;
}

json programSetCommands(const TableElements& elements)
{
    json commands = json::array();
    for (int level = 1; level <= MaxCgroupLevel; ++level)
        for (const std::string& name : {deniedSet(level), learningSet(level), seenSet(level)})
            commands.push_back(statement(
                "flush",
                statement("set", {{"family", TableFamily}, {"table", TableName}, {"name", name}})));
    fillDenied(commands, elements);
    return statement("nftables", std::move(commands));
}

} // namespace orvanel::netd
