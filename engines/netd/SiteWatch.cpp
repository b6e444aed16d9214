#include "SiteWatch.h"

#include "ProgramWatch.h"

#include "protect/LockedTable.h"
#include "protect/RealTimeEngine.h"
#include "workspace/Switches.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <netinet/in.h>
#include <resolv.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace orvanel::netd {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// A name is looked up again when its answer's lifetime runs out, but not more often than
// this; its addresses stay in the set a little longer, so that they do not lapse while
// the next answer is on its way.
constexpr auto MinLifetime = 10s;
constexpr auto Grace = 30s;
// A name that does not resolve is tried again after this.
constexpr auto RetryAfter = 60s;
constexpr std::size_t MaxNameBytes = 253;

bool isAddress(const std::string& text, int family)
{
    unsigned char bytes[sizeof(in6_addr)];
    return inet_pton(family, text.c_str(), bytes) == 1;
}

// ORVANEL_NAMESERVER takes the place of the servers of /etc/resolv.conf.
void useNameserverOverride(res_state state)
{
    const char* value = std::getenv("ORVANEL_NAMESERVER");
    if (!value || !*value)
        return;
    std::string text = value;
    std::uint16_t port = NS_DEFAULTPORT;
    if (const auto colon = text.find(':'); colon != std::string::npos) {
        port = static_cast<std::uint16_t>(std::atoi(text.c_str() + colon + 1));
        text.resize(colon);
    }
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    if (inet_pton(AF_INET, text.c_str(), &server.sin_addr) != 1)
        return;
    state->nsaddr_list[0] = server;
    state->nscount = 1;
}

// The records of one type in the answer; the lifetime becomes the smallest one seen,
// the aliases (CNAME) leading to them included.
void query(res_state state, const std::string& name, ns_type type,
           std::vector<std::string>& addresses, std::uint32_t& lifetime)
{
    unsigned char answer[4096];
    const int size = res_nquery(state, name.c_str(), ns_c_in, type, answer, sizeof answer);
    ns_msg message;
    if (size < 0 || ns_initparse(answer, size, &message) < 0)
        return;
    const std::size_t length = type == ns_t_a ? 4 : 16;
    for (int i = 0; i < ns_msg_count(message, ns_s_an); ++i) {
        ns_rr record;
        if (ns_parserr(&message, ns_s_an, i, &record) < 0)
            return;
        const bool wanted = ns_rr_type(record) == type && ns_rr_rdlen(record) == length;
        if (!wanted && ns_rr_type(record) != ns_t_cname)
            continue;
        lifetime = std::min<std::uint32_t>(lifetime, ns_rr_ttl(record));
        char text[INET6_ADDRSTRLEN];
        if (wanted &&
            inet_ntop(type == ns_t_a ? AF_INET : AF_INET6, ns_rr_rdata(record), text, sizeof text))
            addresses.emplace_back(text);
    }
}

std::chrono::seconds clampedLifetime(std::uint32_t seconds)
{
    const auto longest = std::chrono::seconds(SitesRequest::MaxSeconds) - Grace;
    return std::clamp<std::chrono::seconds>(std::chrono::seconds(seconds), MinLifetime, longest);
}

} // namespace

bool isSiteName(const std::string& name)
{
    return !name.empty() && name.size() <= MaxNameBytes &&
           std::none_of(name.begin(), name.end(), [](unsigned char c) {
               return c <= ' ' || c == 0x7f || c == '/' || c == '\\';
           });
}

std::optional<ResolvedName> resolveSiteName(const std::string& name)
{
    if (!isSiteName(name))
        return std::nullopt;
    ResolvedName resolved;
    if (isAddress(name, AF_INET) || isAddress(name, AF_INET6)) {
        (isAddress(name, AF_INET) ? resolved.ipv4 : resolved.ipv6).push_back(name);
        resolved.lifetime = clampedLifetime(SitesRequest::MaxSeconds);
        return resolved;
    }
    struct __res_state state
    {
    };
    if (res_ninit(&state) != 0)
        return std::nullopt;
    useNameserverOverride(&state);
    // The engine waits for the answer: a few seconds at most.
    state.retrans = 2;
    state.retry = 2;
    std::uint32_t lifetime = SitesRequest::MaxSeconds;
    query(&state, name, ns_t_a, resolved.ipv4, lifetime);
    query(&state, name, ns_t_aaaa, resolved.ipv6, lifetime);
    res_nclose(&state);
    if (resolved.ipv4.empty() && resolved.ipv6.empty())
        return std::nullopt;
    resolved.lifetime = clampedLifetime(lifetime);
    return resolved;
}

SitesRequest sitesRequestOf(const std::map<std::string, SiteEntry>& sites, Clock::time_point now)
{
    std::map<std::string, std::uint32_t> ipv4, ipv6;
    for (const auto& [name, site] : sites) {
        if (site.lapses <= now)
            continue;
        const auto left = std::chrono::ceil<std::chrono::seconds>(site.lapses - now).count();
        const auto seconds = static_cast<std::uint32_t>(
            std::min<long long>(left, static_cast<long long>(SitesRequest::MaxSeconds)));
        for (auto [addresses, set] : {std::pair{&site.ipv4, &ipv4}, {&site.ipv6, &ipv6}})
            for (const std::string& address : *addresses)
                (*set)[address] = std::max((*set)[address], seconds);
    }
    SitesRequest request;
    for (auto [set, list] : {std::pair{&ipv4, &request.ipv4}, {&ipv6, &request.ipv6}}) {
        for (const auto& [address, seconds] : *set)
            if (list->size() < SitesRequest::MaxListed)
                list->push_back({address, seconds});
    }
    return request;
}

SiteWatch::SiteWatch(engines::EngineContext context) : m_context(std::move(context)) {}

bool SiteWatch::start(std::string* error)
{
    m_tablesWatch = Fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    const QByteArray workspace = m_context.workspaceDir.toLocal8Bit();
    if (!m_tablesWatch || inotify_add_watch(m_tablesWatch.get(), workspace.constData(),
                                            IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE) < 0) {
        *error = "cannot watch the workspace: " + std::string(std::strerror(errno));
        return false;
    }
    readTables();
    resolveDue();
    send();
    return true;
}

int SiteWatch::timeoutMilliseconds() const
{
    if (m_sites.empty())
        return -1;
    auto next = Clock::time_point::max();
    for (const auto& [name, site] : m_sites)
        next = std::min(next, site.due);
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
    return static_cast<int>(std::clamp<long long>(wait.count(), 0, 24 * 3600 * 1000));
}

bool SiteWatch::tablesChanged()
{
    return workspaceFilesChanged(m_tablesWatch.get(), {"site.xml", "configuration.xml"});
}

// The names of site.xml while the switch is on; names already known keep their answer.
void SiteWatch::readTables()
{
    const auto switches = engines::readSwitches(m_context);
    m_filterOn = switches && (*switches)[std::size_t(Switch::SiteFilter)];
    std::map<std::string, SiteEntry> sites;
    Table table;
    if (m_filterOn && engines::readTableLocked(m_context.workspaceDir, TableId::Sites, table))
        for (table.first(); !table.atEnd(); table.next()) {
            const std::string name = table.value(u"Champ1").trimmed().toLower().toStdString();
            if (!isSiteName(name))
                continue;
            const auto known = m_sites.find(name);
            SiteEntry& site = sites[name] = known != m_sites.end() ? known->second : SiteEntry{};
            site.storedAddress = table.value(u"Champ2").trimmed().toStdString();
        }
    m_sites = std::move(sites);
}

// Looks up the names whose answer ran out (new names have never been looked up); the
// address the page stored counts with the name's own.
bool SiteWatch::resolveDue()
{
    bool changed = false;
    for (auto& [name, site] : m_sites) {
        const auto now = Clock::now();
        if (site.due > now)
            continue;
        changed = true;
        const auto resolved = resolveSiteName(name);
        const auto lifetime = resolved ? resolved->lifetime : RetryAfter;
        if (resolved) {
            site.ipv4 = resolved->ipv4;
            site.ipv6 = resolved->ipv6;
        }
        for (auto [family, list] : {std::pair{AF_INET, &site.ipv4}, {AF_INET6, &site.ipv6}})
            if (isAddress(site.storedAddress, family) &&
                std::find(list->begin(), list->end(), site.storedAddress) == list->end())
                list->push_back(site.storedAddress);
        site.due = now + lifetime;
        site.lapses = std::max(site.lapses, now + lifetime + Grace);
    }
    return changed;
}

void SiteWatch::step()
{
    // A name removed or the switch turned off: its addresses go at once.
    bool changed = tablesChanged();
    if (changed)
        readTables();
    changed |= resolveDue();
    if (changed)
        send();
}

void SiteWatch::send()
{
    const SitesRequest request = sitesRequestOf(m_sites, Clock::now());
    if (request.ipv4.empty() && request.ipv6.empty() && !m_sentAny)
        return; // the service holds nothing of ours
    const auto list = [](const std::vector<SiteAddress>& addresses) {
        nlohmann::json entries = nlohmann::json::array();
        for (const SiteAddress& site : addresses)
            entries.push_back({{"address", site.address}, {"seconds", site.seconds}});
        return entries;
    };
    const auto answer = askService({{"version", Policy::Version},
                                    {"request", "sites"},
                                    {"ipv4", list(request.ipv4)},
                                    {"ipv6", list(request.ipv6)}});
    m_sentAny = !request.ipv4.empty() || !request.ipv6.empty() || !answer;
}

} // namespace orvanel::netd
