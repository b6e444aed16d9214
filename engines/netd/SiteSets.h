#pragma once

#include "NetPolicy.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvanel::netd {

// Empties the table's site sets and fills them again with the addresses given, in one
// transaction: all of it or none. The addresses go to the kernel as binary set elements
// over netlink of our own. libnftables would write and parse every address as text
// first, which for ten thousand addresses costs twice the kernel's own work.
// False, with the kernel's reason in `error`, when the table is missing or the kernel
// refused.
bool replaceSiteSets(const std::vector<SiteAddress>& ipv4, const std::vector<SiteAddress>& ipv6,
                     std::string* error);

// The transaction's netlink messages: the batch begins, both sets are flushed, the
// elements follow 512 to a message, the batch ends. Only the last element message (or the
// last flush) asks for an acknowledgement; `*acknowledged` is its sequence number.
// Empty when an address is no address of its family.
std::vector<char> siteSetsBatch(const std::vector<SiteAddress>& ipv4,
                                const std::vector<SiteAddress>& ipv6, std::uint32_t firstSequence,
                                std::uint32_t* acknowledged);

} // namespace orvanel::netd
