// The firewall's plain code: policy documents, the status flags, the rules built from a
// policy, the log messages of the kernel and the merging of alert rows.

#include "NetPolicy.h"
#include "NetAlerts.h"
#include "NetRules.h"
#include "NetproEngine.h"
#include "Nflog.h"

#include "workspace/Table.h"
#include "workspace/TableFiles.h"

#include <QStringList>

#include <map>
#include <set>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>

#include <arpa/inet.h>

#include <linux/netfilter/nfnetlink.h>
#include <linux/netfilter/nfnetlink_log.h>
#include <linux/netlink.h>

namespace orvanel::netd {
namespace {

using namespace Qt::StringLiterals;
using nlohmann::json;

const std::string kValid =
    R"({"version":1,"mode":"3","closed_ports":[8080,23,23],"internet":false,)"
    R"("blocked_protocols":["SMTP","POP3"],"stealth":true,"learning":false})";

TEST(NetPolicyTest, AValidDocumentReadsAndWritesBackTheSame)
{
    std::string error;
    const auto policy = policyFromJson(kValid, &error);
    ASSERT_TRUE(policy) << error;
    EXPECT_EQ(policy->mode, '3');
    EXPECT_EQ(policy->closedPorts, (std::vector<std::uint16_t>{23, 8080}));
    EXPECT_FALSE(policy->internet);
    EXPECT_TRUE(policy->blockedProtocols[static_cast<std::size_t>(Protocol::Smtp)]);
    EXPECT_TRUE(policy->blockedProtocols[static_cast<std::size_t>(Protocol::Pop3)]);
    EXPECT_FALSE(policy->blockedProtocols[static_cast<std::size_t>(Protocol::Http)]);
    EXPECT_TRUE(policy->stealth);
    EXPECT_FALSE(policy->learning);
    EXPECT_EQ(policyFromJson(policyToJson(*policy), &error), policy);
}

TEST(NetPolicyTest, MalformedOversizedOrHostileDocumentsAreRefusedWithAReason)
{
    const auto with = [](const std::string& from, const std::string& to) {
        std::string text = kValid;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    std::string huge = R"({"version":1,"mode":"1","closed_ports":[)";
    while (huge.size() <= Policy::MaxBytes)
        huge += "1,";
    huge += R"(1],"internet":true,"blocked_protocols":[],"stealth":false,"learning":true})";
    const struct
    {
        std::string text;
        std::string reason;
    } cases[] = {
        {"not json", "not JSON"},
        {"[1,2]", "exactly its seven keys"},
        {with(R"("learning":false)", R"("learning":false,"x":1)"), "exactly its seven keys"},
        {with(R"("stealth")", R"("sneaky")"), "unknown key"},
        {with(R"("version":1)", R"("version":2)"), "version"},
        {with(R"("mode":"3")", R"("mode":"4")"), "mode"},
        {with(R"("mode":"3")", R"("mode":"1; flush ruleset")"), "mode"},
        {with("8080", "0"), "closed_ports"},
        {with("8080", "65536"), "closed_ports"},
        {with("8080", "-1"), "closed_ports"},
        {with("8080", R"("23")"), "closed_ports"},
        {with("8080", "80.5"), "closed_ports"},
        {with(R"("SMTP")", R"("SMTP; flush ruleset")"), "unknown protocol"},
        {with(R"("internet":false)", R"("internet":"no")"), "internet"},
        {with(R"("stealth":true)", R"("stealth":1)"), "stealth"},
        {std::string(100000, '[') + std::string(100000, ']'), "exactly its seven keys"},
        {huge, "larger than"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(policyFromJson(c.text, &error)) << c.text.substr(0, 80);
        EXPECT_NE(error.find(c.reason), std::string::npos) << error << " / " << c.reason;
    }
}

TEST(NetPolicyTest, TheStatusFlagsAndTheWorkspaceFilesMakeThePolicy)
{
    const struct
    {
        QStringList args;
        QString mode;
        QStringList ports;
        std::string policy; // empty: the flags are refused
        int passedOver = 0;
    } cases[] = {
        {{u" 0 0 0 0 0 0 0 0 1 0 0 1 0"_s},
         u"2"_s,
         {},
         R"({"blocked_protocols":[],"closed_ports":[],"internet":true,"learning":false,"mode":"2","stealth":false,"version":1})"},
        {u"1 1 0 0 1 0 0 1 0 1 1 0 0"_s.split(u' '),
         u"3"_s,
         {u"23"_s, u" 80 "_s, u""_s, u"23"_s},
         R"({"blocked_protocols":["FTP","DNS","POP3"],"closed_ports":[23,80],"internet":false,"learning":true,"mode":"3","stealth":true,"version":1})"},
        {u"1 0 0 0 0 0 0 0 1 0 0 0 0"_s.split(u' '),
         u"2"_s,
         {u"0"_s, u"65536"_s, u"8a"_s, u"123456"_s, u"65535"_s},
         R"({"blocked_protocols":[],"closed_ports":[65535],"internet":true,"learning":false,"mode":"1","stealth":false,"version":1})",
         4},
        {u"1 0 0"_s.split(u' '), u"1"_s, {}, ""},
        {u"1 0 0 0 0 0 0 0 1 0 0 0 2"_s.split(u' '), u"1"_s, {}, ""},
        {u"1 0 0 0 0 0 0 0 1 0 0 0 0 1"_s.split(u' '), u"1"_s, {}, ""},
    };
    for (const auto& c : cases) {
        const auto flags = statusFlagsOf(c.args);
        ASSERT_EQ(flags.has_value(), !c.policy.empty()) << c.args.join(u'|').toStdString();
        if (!flags)
            continue;
        const PolicyInput input = policyOf(*flags, c.mode, c.ports);
        EXPECT_EQ(json::parse(policyToJson(input.policy)), json::parse(c.policy));
        EXPECT_EQ(input.passedOverPorts, c.passedOver);
    }
}

// The rules as nft would list them, one text per rule: chain, expressions.
std::vector<std::string> rulesOf(const json& commands)
{
    std::vector<std::string> rules;
    for (const json& command : commands.at("nftables"))
        if (command.contains("add") && command["add"].contains("rule"))
            rules.push_back(command["add"]["rule"]["chain"].get<std::string>() + " " +
                            command["add"]["rule"]["expr"].dump());
    return rules;
}

TEST(NetRulesTest, ThePolicyDecidesTheTableAndItsRefusingRules)
{
    Policy off;
    const json removal = replaceTableCommands(off, 7);
    ASSERT_EQ(removal["nftables"].size(), 2u); // add and delete: the table is gone
    EXPECT_TRUE(removal["nftables"][1].contains("delete"));

    const struct
    {
        bool internet;
        bool stealth;
        std::string present;
        std::string absent;
    } cases[] = {
        {true, false, R"("tcp reset")", "internet-off"},
        {false, false, "orvanel:internet-off",
         R"("protocol":"icmp"}},"op":"==","right":"echo-request"}},{"goto")"},
        {true, true, R"("protocol":"icmp"}},"op":"==","right":"echo-request"}},{"goto")",
         "tcp reset"},
    };
    for (const auto& c : cases) {
        Policy policy;
        policy.mode = '1';
        policy.internet = c.internet;
        policy.stealth = c.stealth;
        policy.closedPorts = {23};
        std::string all;
        for (const std::string& rule : rulesOf(replaceTableCommands(policy, 7)))
            all += rule + "\n";
        EXPECT_NE(all.find(c.present), std::string::npos) << all;
        EXPECT_EQ(all.find(c.absent), std::string::npos) << all;
        // Every refusing rule logs to the group under a prefix that names it.
        EXPECT_NE(all.find(R"("group":7,"prefix":"orvanel:closed-port-in")"), std::string::npos);
        EXPECT_NE(all.find(R"("group":7,"prefix":"orvanel:incoming")"), std::string::npos);
    }
}

// A prefix used by two rules (sites over IPv4 and IPv6, both pings in stealth mode) gets
// one chain: its log rule made twice would log, and alert, every packet twice. Every
// refusing rule goes to a chain made before it.
TEST(NetRulesTest, EachRefusalLogsOnceFromAChainOfItsOwn)
{
    for (const bool stealth : {false, true}) {
        Policy policy;
        policy.mode = '1';
        policy.internet = false;
        policy.stealth = stealth;
        std::map<std::string, int> chainRules;
        std::set<std::string> made;
        const json commands = replaceTableCommands(policy, 7);
        for (const json& command : commands["nftables"]) {
            if (command.contains("add") && command["add"].contains("chain"))
                made.insert(command["add"]["chain"]["name"].get<std::string>());
            if (!command.contains("add") || !command["add"].contains("rule"))
                continue;
            const json& rule = command["add"]["rule"];
            const std::string chain = rule["chain"].get<std::string>();
            if (chain.starts_with("refuse-"))
                ++chainRules[chain];
            if (rule["expr"].back().contains("goto"))
                EXPECT_TRUE(made.contains(rule["expr"].back()["goto"]["target"].get<std::string>()))
                    << rule.dump();
        }
        EXPECT_EQ(chainRules.contains("refuse-ping"), stealth);
        for (const auto& [chain, rules] : chainRules)
            EXPECT_EQ(rules, 2) << chain; // the log, then the refusal
    }
}

// A netlink datagram of the log subsystem holding one logged packet.
std::vector<unsigned char> logMessage(const std::string& prefix, std::vector<unsigned char> packet,
                                      std::optional<std::uint32_t> uid)
{
    std::vector<unsigned char> body(NLMSG_ALIGN(sizeof(nfgenmsg)), 0);
    const auto attribute = [&](std::uint16_t type, const void* data, std::size_t size) {
        nlattr head{static_cast<std::uint16_t>(NLA_HDRLEN + size), type};
        const auto* bytes = reinterpret_cast<const unsigned char*>(&head);
        body.insert(body.end(), bytes, bytes + sizeof head);
        const auto* value = static_cast<const unsigned char*>(data);
        body.insert(body.end(), value, value + size);
        body.resize(NLA_ALIGN(body.size()));
    };
    attribute(NFULA_PREFIX, prefix.c_str(), prefix.size() + 1);
    attribute(NFULA_PAYLOAD, packet.data(), packet.size());
    if (uid) {
        const std::uint32_t value = htonl(*uid);
        attribute(NFULA_UID, &value, sizeof value);
    }
    nlmsghdr header{};
    header.nlmsg_len = static_cast<std::uint32_t>(NLMSG_HDRLEN + body.size());
    header.nlmsg_type = (NFNL_SUBSYS_ULOG << 8) | NFULNL_MSG_PACKET;
    std::vector<unsigned char> message(NLMSG_HDRLEN);
    std::memcpy(message.data(), &header, sizeof header);
    message.insert(message.end(), body.begin(), body.end());
    return message;
}

std::vector<unsigned char> ipv4Tcp(std::uint16_t sourcePort, std::uint16_t destinationPort)
{
    std::vector<unsigned char> packet(40, 0);
    packet[0] = 0x45;
    packet[9] = 6;
    const unsigned char source[] = {192, 0, 2, 1}, destination[] = {198, 51, 100, 7};
    std::memcpy(&packet[12], source, 4);
    std::memcpy(&packet[16], destination, 4);
    packet[20] = static_cast<unsigned char>(sourcePort >> 8);
    packet[21] = static_cast<unsigned char>(sourcePort);
    packet[22] = static_cast<unsigned char>(destinationPort >> 8);
    packet[23] = static_cast<unsigned char>(destinationPort);
    return packet;
}

TEST(NflogTest, LoggedPacketsReadAsEventsAndBrokenOnesArePassedOver)
{
    auto datagram = logMessage("orvanel:protocol", ipv4Tcp(40000, 80), 1000);
    const auto second = logMessage("orvanel:incoming", ipv4Tcp(5555, 22), std::nullopt);
    datagram.insert(datagram.end(), second.begin(), second.end());
    const auto events = parseLogMessages(datagram.data(), datagram.size());
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0],
              (LogEvent{"orvanel:protocol", "TCP", "192.0.2.1", "198.51.100.7", 40000, 80, 1000u}));
    EXPECT_EQ(events[1].prefix, "orvanel:incoming");
    EXPECT_EQ(events[1].uid, std::nullopt);

    for (std::size_t cut = 0; cut < datagram.size(); cut += 7)
        EXPECT_LE(parseLogMessages(datagram.data(), cut).size(), 2u);
    auto lying = datagram;
    lying[0] = 0xff; // a length beyond the datagram
    EXPECT_TRUE(parseLogMessages(lying.data(), lying.size()).empty());
    LogEvent event;
    auto shortHeader = ipv4Tcp(1, 2);
    shortHeader[0] = 0x4f; // a header longer than the packet
    EXPECT_FALSE(parsePacket(shortHeader.data(), 40, event));
}

TEST(NetAlertsTest, RepeatsMergeIntoOneRowAndOtherEventsAreIgnored)
{
    const json event = {{"prefix", "orvanel:closed-port-in"},
                        {"protocol", "TCP"},
                        {"source", "192.0.2.9"},
                        {"destination", "192.0.2.1"},
                        {"source_port", 41000},
                        {"destination_port", 23},
                        {"uid", nullptr}};
    const auto attempt = attemptOf(event);
    ASSERT_TRUE(attempt);
    EXPECT_EQ(attempt->reason, u"closed port, incoming: TCP 23"_s);
    EXPECT_EQ(attempt->address, u"192.0.2.9"_s);
    EXPECT_EQ(attempt->program, u"?"_s);
    EXPECT_FALSE(attemptOf(json{{"prefix", "someone else's"}}));
    EXPECT_FALSE(attemptOf(json::array()));

    Table table;
    defineFields(table, TableId::Alerts);
    table.createEmpty();
    EXPECT_EQ(mergeAttempts(table, {*attempt, *attempt}, u"1/2/25 10:00:00"_s), 1);
    json other = event;
    other["source"] = "192.0.2.10";
    EXPECT_EQ(mergeAttempts(table, {*attempt, *attemptOf(other)}, u"1/2/25 10:00:05"_s), 1);
    ASSERT_EQ(table.recordCount(), 2);
    const int count = table.fieldIndexOf(u"Champ6");
    EXPECT_EQ(table.valueAt(0, count), u"3"_s);
    EXPECT_EQ(table.valueAt(0, table.fieldIndexOf(u"Champ2")), u"1/2/25 10:00:05"_s);
    EXPECT_EQ(table.valueAt(1, count), u"1"_s);
}

} // namespace
} // namespace orvanel::netd
