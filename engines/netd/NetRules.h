#pragma once

#include "Cgroups.h"
#include "NetPolicy.h"

#include <nlohmann/json.hpp>

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvanel::netd {

// The only table the service ever touches.
inline constexpr std::string_view TableFamily = "inet";
inline constexpr std::string_view TableName = "orvanel";

// The log prefixes of the refusing rules; the alert engine turns each into a reason.
namespace prefixes {
inline constexpr std::string_view Incoming = "orvanel:incoming";
inline constexpr std::string_view ClosedPortIn = "orvanel:closed-port-in";
inline constexpr std::string_view ClosedPortOut = "orvanel:closed-port-out";
inline constexpr std::string_view InternetOff = "orvanel:internet-off";
inline constexpr std::string_view Protocol = "orvanel:protocol";
inline constexpr std::string_view Ping = "orvanel:ping";
inline constexpr std::string_view Site = "orvanel:site";
// Not a refusal: the first connection of a cgroup in learning (see programRulesText).
inline constexpr std::string_view Learn = "orvanel:learn";
} // namespace prefixes

// What the users' engines add to the table beside the policy: the cgroups whose sockets
// are refused (nft's names of them, by level) and the blocked sites' addresses.
struct TableElements
{
    std::array<std::vector<std::string>, MaxCgroupLevel> denied; // index: level - 1
    std::array<std::vector<std::string>, MaxCgroupLevel> learning;
    std::vector<SiteAddress> sites4, sites6;
};

// The libnftables JSON commands that replace the table with the policy's in one
// transaction: the table is added (so that deleting it cannot fail), deleted and built
// again. Every value comes from the validated policy; nothing is text for nft to parse.
// A policy with the firewall off gives only the deletion.
nlohmann::json replaceTableCommands(const Policy& policy, std::uint16_t logGroup,
                                    const TableElements& elements = {});

// Cgroup levels as bits: bit N - 1 stands for level N.
using CgroupLevels = std::bitset<MaxCgroupLevel>;
// The levels whose deny or learning sets hold a cgroup.
CgroupLevels levelsInUse(const TableElements& elements);

// The sets seen_lN and the rules of the chain "programs" for the levels given, in nft's
// own syntax: libnftables 1.0.6 reads "socket cgroupv2 level N" and the flag "dynamic"
// in no JSON form. Made of fixed names and numbers only. A socket of a denied cgroup is
// refused; the first new connection of a cgroup in learning puts the cgroup in the set
// seen_lN and logs under prefixes::Learn. Every packet going out passes these rules, so
// only levels in use get them.
std::string programRulesText(std::uint16_t logGroup, CgroupLevels levels);

// The name of the set of level N's cgroups that connected while in learning.
std::string seenSet(int level);

// One transaction that empties the deny and learning sets (and those of cgroups seen)
// and fills them again.
nlohmann::json programSetCommands(const TableElements& elements);

// The commands that remove the table when it exists (add, then delete).
nlohmann::json removeTableCommands();

} // namespace orvanel::netd
