#pragma once

#include "NetPolicy.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string_view>

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
} // namespace prefixes

// The libnftables JSON commands that replace the table with the policy's in one
// transaction: the table is added (so that deleting it cannot fail), deleted and built
// again. Every value comes from the validated policy; nothing is text for nft to parse.
// A policy with the firewall off gives only the deletion.
nlohmann::json replaceTableCommands(const Policy& policy, std::uint16_t logGroup);

// The commands that remove the table when it exists (add, then delete).
nlohmann::json removeTableCommands();

} // namespace orvanel::netd
