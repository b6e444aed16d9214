#pragma once

#include "NetPolicy.h"
#include "NetdSocket.h"

#include "protect/EngineContext.h"

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvanel::netd {

// The addresses one name resolves to, and for how long the answer holds (the smallest
// lifetime of the answer's records). Nothing when the name does not resolve.
struct ResolvedName
{
    std::vector<std::string> ipv4, ipv6;
    std::chrono::seconds lifetime{0};
};

// Looks the name up (A and AAAA) with libresolv, whose answers carry each record's
// lifetime. ORVANEL_NAMESERVER ("ADDRESS" or "ADDRESS:PORT", IPv4) names the server to
// ask instead of those of /etc/resolv.conf. A name that is an address stands for itself.
std::optional<ResolvedName> resolveSiteName(const std::string& name);

// Whether a name of site.xml can be looked up at all: a host name or an address, no
// blanks or control characters.
bool isSiteName(const std::string& name);

// One blocked site as the engine keeps it: its addresses, when to look it up again and
// when its addresses lapse if no new answer comes.
struct SiteEntry
{
    std::string storedAddress; // Champ2, the address the web sites page stored
    std::vector<std::string> ipv4, ipv6;
    std::chrono::steady_clock::time_point due, lapses;
};

// The whole list for the service, each address with the seconds left until it lapses
// (an address of two names keeps the longer). Lapsed entries count no more.
SitesRequest sitesRequestOf(const std::map<std::string, SiteEntry>& sites,
                            std::chrono::steady_clock::time_point now);

// The per-user side of the blocked web sites: with the site filter on (configuration.xml),
// the names of site.xml are resolved, their addresses handed to the service with their
// lifetimes and resolved again as these run out. Lives in netalerte.exe.
class SiteWatch final
{
public:
    explicit SiteWatch(engines::EngineContext context);
    bool start(std::string* error);
    int fd() const { return m_tablesWatch.get(); }
    int timeoutMilliseconds() const;
    // Follows changes of site.xml and the switch, and resolves the names that are due.
    void step();

private:
    bool tablesChanged();
    void readTables();
    bool resolveDue();
    void send();

    engines::EngineContext m_context;
    Fd m_tablesWatch;
    bool m_filterOn = false;
    std::map<std::string, SiteEntry> m_sites; // by name
    bool m_sentAny = false;
};

} // namespace orvanel::netd
