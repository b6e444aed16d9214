// The program rules' plain code: the decision of each mode, the rows it records, the
// strict reading of the requests the users' engines send, and the cgroup paths.

#include "ProgramRules.h"
#include "Cgroups.h"
#include "NetPolicy.h"
#include "NetRules.h"
#include "SiteSets.h"

#include "workspace/Table.h"
#include "workspace/TableFiles.h"

#include <QTemporaryDir>

#include <map>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <linux/netfilter/nf_tables.h>
#include <linux/netfilter/nfnetlink.h>
#include <linux/netlink.h>

namespace orvanel::netd {
namespace {

using namespace Qt::StringLiterals;
using nlohmann::json;

TEST(ProgramRulesTest, EachModeDecidesByQuarantineRuleAndLearning)
{
    ProgramTables tables;
    tables.allowed = {{u"known"_s, true}, {u"refused"_s, false}, {u"both"_s, true}};
    tables.quarantined = {u"both"_s};
    const Decision allow{Verdict::Allow, Record::Nothing};
    const Decision deny{Verdict::Deny, Record::Nothing};
    const Decision learn{Verdict::Allow, Record::LearnedRule};
    const Decision ask{Verdict::Deny, Record::StrictAlert};
    const struct
    {
        const char* name;
        char mode;
        bool learning;
        Decision expected;
    } cases[] = {
        {"new", '2', false, allow},   {"both", '2', true, allow},   {"known", '1', true, allow},
        {"known", '1', false, allow}, {"refused", '1', true, deny}, {"both", '1', true, deny},
        {"new", '1', true, learn},    {"new", '1', false, ask},     {"new", '3', true, ask},
        {"known", '3', true, allow},  {" both ", '3', false, deny},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decide(QString::fromLatin1(c.name), tables, c.mode, c.learning), c.expected)
            << c.name << " mode " << c.mode << " learning " << c.learning;
}

TEST(ProgramRulesTest, ALearnedRuleIsWrittenOnceAndAStrictAlertIsCounted)
{
    QTemporaryDir workspace;
    const QString dir = workspace.path() + u'/';
    const QString program = u"/usr/bin/env"_s;
    QString error;
    for (int i = 0; i < 2; ++i) {
        recordLearnedRule(dir, program, &error);
        ASSERT_TRUE(recordStrictAlert(dir, program, &error)) << error.toStdString();
    }
    Table rules;
    defineFields(rules, TableId::Rules);
    ASSERT_TRUE(rules.open(dir + u"regles.xml"_s));
    ASSERT_EQ(rules.recordCount(), 1);
    rules.first();
    EXPECT_EQ(rules.value(u"Champ1"), u"env"_s);
    EXPECT_EQ(rules.value(u"Champ5"), u"allow"_s);
    EXPECT_EQ(rules.value(u"Champ6"), u"learning"_s);
    EXPECT_EQ(rules.value(u"Champ8"), program);
    EXPECT_FALSE(rules.value(u"Champ9").isEmpty());
    EXPECT_EQ(readProgramTables(dir).allowed.value(u"env"_s), true);
    Table alerts;
    defineFields(alerts, TableId::Alerts);
    ASSERT_TRUE(alerts.open(dir + u"alertes.xml"_s));
    ASSERT_EQ(alerts.recordCount(), 1);
    alerts.first();
    EXPECT_EQ(alerts.value(u"Champ1"), u"env"_s);
    EXPECT_EQ(alerts.value(u"Champ6"), u"2"_s);
}

TEST(ProgramRulesTest, RequestsAreReadStrictly)
{
    const auto programs = [](json deny, uid_t uid) {
        const json document = {
            {"version", 1}, {"request", "programs"}, {"deny", deny}, {"allow", json::array()}};
        std::string error;
        return programsRequestOf(document, uid, &error) ? std::string("ok") : error;
    };
    const std::string own = "/user.slice/user-1000.slice/user@1000.service/app.slice/app-a.scope";
    EXPECT_EQ(programs({own}, 1000), "ok");
    EXPECT_EQ(programs({"/orvanel-test/app.slice/x.scope"}, 0), "ok");
    EXPECT_NE(programs({own}, 1001).find("its own slice"), std::string::npos);
    for (const json& bad :
         {json("relative/x"), json("/a/../b"), json("/a//b"), json(5), json("/a/b\nflush ruleset"),
          json("/a/\"b"), json("/1/2/3/4/5/6/7/8/9"), json(std::string(600, 'a'))})
        EXPECT_NE(programs({bad}, 0), "ok") << bad.dump();
    EXPECT_NE(programs(json(std::vector<std::string>(1025, "/a")), 0), "ok");

    const auto sites = [](json ipv4, json ipv6) {
        std::string error;
        const auto request = sitesRequestOf(
            {{"version", 1}, {"request", "sites"}, {"ipv4", ipv4}, {"ipv6", ipv6}}, &error);
        return request ? request->ipv4.size() + request->ipv6.size() : 0;
    };
    const json a4 = {{"address", "192.0.2.7"}, {"seconds", 300}};
    const json a6 = {{"address", "2001:DB8::0:1"}, {"seconds", 60}};
    EXPECT_EQ(sites(json::array({a4}), json::array({a6})), 2u);
    for (const auto& [v4, v6] : std::vector<std::pair<json, json>>{
             {json::array({a6}), json::array()},
             {json::array(), json::array({a4})},
             {json::array({{{"address", "192.0.2.7"}, {"seconds", 0}}}), json::array()},
             {json::array({{{"address", "192.0.2.7"}, {"seconds", 86401}}}), json::array()},
             {json::array({{{"address", "192.0.2.7; flush"}, {"seconds", 1}}}), json::array()},
             {json::array({{{"address", "192.0.2.7"}, {"seconds", 1}, {"x", 1}}}), json::array()}})
        EXPECT_EQ(sites(v4, v6), 0u) << v4.dump() << v6.dump();
}

TEST(ProgramRulesTest, CgroupMountsLevelsAndNftNames)
{
    const std::string mountinfo =
        "32 23 0:29 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw\n"
        "42 32 0:39 / /sys/fs/cgroup/uni\\040fied rw,relatime - cgroup2 cgroup2 rw\n";
    EXPECT_EQ(cgroup2MountIn(mountinfo), "/sys/fs/cgroup/uni fied");
    EXPECT_EQ(cgroup2MountIn("32 23 0:29 / /sys/fs/cgroup rw - tmpfs tmpfs rw\n"), std::nullopt);
    EXPECT_EQ(cgroupLevel("/"), 0);
    EXPECT_EQ(cgroupLevel("/a"), 1);
    EXPECT_EQ(cgroupLevel("/user.slice/user-1000.slice/user@1000.service/app.slice/app-x.scope"),
              5);
    std::string error;
    EXPECT_EQ(nftCgroupElement("/sys/fs/cgroup", "/a/b", &error), "a/b");
    EXPECT_EQ(nftCgroupElement("/sys/fs/cgroup/unified", "/a/b", &error), "unified/a/b");
    EXPECT_EQ(nftCgroupElement("/sys/fs/cgroupx", "/a", &error), std::nullopt);
    EXPECT_EQ(nftCgroupElement("/mnt/cg", "/a", &error), std::nullopt);
    EXPECT_NE(error.find("/sys/fs/cgroup"), std::string::npos);
}

TEST(ProgramRulesTest, TheTableHoldsTheUsersElements)
{
    Policy policy;
    policy.mode = '1';
    TableElements elements;
    elements.denied[1] = {"unified/a/b"};
    elements.learning[4] = {"unified/u/s/a/c/d"};
    elements.sites4 = {{"192.0.2.9", 120}};
    const std::string commands = replaceTableCommands(policy, 4021, elements).dump();
    for (const char* part :
         {R"("name":"denied_l2")", R"("elem":["unified/a/b"])", R"({"target":"programs"})",
          R"({"elem":["unified/u/s/a/c/d"],"family":"inet","name":"learn_l5")",
          R"("val":"192.0.2.9")", R"("timeout":120)", R"("prefix":"orvanel:site")"})
        EXPECT_NE(commands.find(part), std::string::npos) << part;
    EXPECT_EQ(levelsInUse(elements), CgroupLevels(0b10010));
    const std::string rules = programRulesText(4021, CgroupLevels().set());
    EXPECT_EQ(std::count(rules.begin(), rules.end(), '\n'), 3 * MaxCgroupLevel);
    // Every level's seen set, and rules only where cgroups are.
    const std::string some = programRulesText(4021, CgroupLevels(0b10000));
    EXPECT_EQ(std::count(some.begin(), some.end(), '\n'), MaxCgroupLevel + 2);
    EXPECT_NE(some.find("@learn_l5"), std::string::npos);
    EXPECT_EQ(some.find("@denied_l1 "), std::string::npos);
    for (const char* rule :
         {"socket cgroupv2 level 8 @denied_l8 jump refuse\n",
          "ct state new socket cgroupv2 level 5 @learn_l5 add @seen_l5 { socket cgroupv2 level 5 "
          "} limit rate 10/second burst 20 packets log group 4021 prefix \"orvanel:learn\"\n"})
        EXPECT_NE(rules.find(rule), std::string::npos) << rule;
    const std::string renewed = programSetCommands(elements).dump();
    for (const char* part : {R"({"flush":{"set":{"family":"inet","name":"seen_l1")",
                             R"({"elem":["unified/u/s/a/c/d"],"family":"inet","name":"learn_l5")"})
        EXPECT_NE(renewed.find(part), std::string::npos) << part;
}

// The set a NEWSETELEM message names and the number of elements it carries.
std::pair<std::string, std::size_t> setElementsOf(const nlmsghdr* header)
{
    const auto eachAttribute = [](const char* from, int length, auto&& take) {
        for (auto* a = reinterpret_cast<const nlattr*>(from);
             length >= int(sizeof(nlattr)) && a->nla_len >= sizeof(nlattr) && a->nla_len <= length;
             length -= NLA_ALIGN(a->nla_len),
                   a = reinterpret_cast<const nlattr*>(reinterpret_cast<const char*>(a) +
                                                       NLA_ALIGN(a->nla_len)))
            take(a->nla_type & NLA_TYPE_MASK, reinterpret_cast<const char*>(a) + NLA_HDRLEN,
                 int(a->nla_len) - NLA_HDRLEN);
    };
    std::pair<std::string, std::size_t> found;
    const char* first =
        static_cast<const char*>(NLMSG_DATA(header)) + NLMSG_ALIGN(sizeof(nfgenmsg));
    eachAttribute(
        first, int(header->nlmsg_len) - int(first - reinterpret_cast<const char*>(header)),
        [&](int type, const char* value, int length) {
            if (type == NFTA_SET_ELEM_LIST_SET)
                found.first = value;
            if (type == NFTA_SET_ELEM_LIST_ELEMENTS)
                eachAttribute(value, length, [&](int, const char*, int) { ++found.second; });
        });
    return found;
}

// The site sets' transaction read back message by message: each set is emptied, then
// filled 512 elements to a message, and every message but the batch's ends is answered.
TEST(ProgramRulesTest, SiteSetsGoToTheKernelInOneBatch)
{
    const auto addresses = [](std::size_t count, bool six) {
        std::vector<SiteAddress> sites;
        for (std::size_t i = 0; i < count; ++i)
            sites.push_back(
                {six ? "2001:db8::" + std::to_string(i + 1)
                     : "192.0." + std::to_string(i / 250) + "." + std::to_string(i % 250),
                 60});
        return sites;
    };
    const struct
    {
        std::size_t ipv4, ipv6, elementMessages;
    } cases[] = {{0, 0, 0}, {1, 1, 2}, {512, 0, 1}, {513, 1030, 5}};
    for (const auto& c : cases) {
        std::uint32_t acknowledged = 0;
        std::vector<char> batch =
            siteSetsBatch(addresses(c.ipv4, false), addresses(c.ipv6, true), 100, &acknowledged);
        EXPECT_EQ(acknowledged, 100 + 2 + c.elementMessages) << c.ipv4 << " " << c.ipv6;
        std::vector<std::uint16_t> types;
        std::map<std::string, std::size_t> elements;
        int length = static_cast<int>(batch.size());
        for (auto* header = reinterpret_cast<nlmsghdr*>(batch.data()); NLMSG_OK(header, length);
             header = NLMSG_NEXT(header, length)) {
            types.push_back(header->nlmsg_type & 0xff);
            if ((header->nlmsg_type & 0xff) != NFT_MSG_NEWSETELEM)
                continue;
            const auto [name, count] = setElementsOf(header);
            elements[name] += count;
        }
        EXPECT_EQ(length, 0);
        ASSERT_EQ(types.size(), 4 + c.elementMessages);
        EXPECT_EQ(types.front(), NFNL_MSG_BATCH_BEGIN);
        EXPECT_EQ(types[1], NFT_MSG_DELSETELEM);
        EXPECT_EQ(types[2], NFT_MSG_DELSETELEM);
        EXPECT_EQ(types.back(), NFNL_MSG_BATCH_END);
        EXPECT_EQ(elements["sites4"], c.ipv4);
        EXPECT_EQ(elements["sites6"], c.ipv6);
    }
    // A text that is no address of its set's family gives no batch at all.
    EXPECT_TRUE(siteSetsBatch({{"2001:db8::1", 60}}, {}, 1, nullptr).empty());
    EXPECT_TRUE(siteSetsBatch({}, {{"192.0.2.300", 60}}, 1, nullptr).empty());
}

} // namespace
} // namespace orvanel::netd
