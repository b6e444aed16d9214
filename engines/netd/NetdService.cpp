#include "NetdService.h"

#include "Cgroups.h"
#include "NetRules.h"
#include "SiteSets.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <utility>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel::netd {

using nlohmann::json;

namespace {

constexpr auto RequestTimeout = std::chrono::seconds(2);
// What is read away after a refused request so that its client gets the refusal.
constexpr std::size_t MaxDrainedBytes = 4 * MaxRequestBytes;
constexpr auto DrainTimeout = std::chrono::seconds(1);
constexpr std::size_t MaxSubscribers = 64;
// Every user's refused cgroups together; each user's share is bounded as well.
constexpr std::size_t MaxDeniedPerUser = 4096;
constexpr std::size_t MaxDeniedUsers = 64;

std::string errorAnswer(const std::string& text)
{
    return json{{"error", text}}.dump();
}

std::string stateFile(const std::string& dir)
{
    return dir + "/policy.json";
}

// The kept state, read as strictly as a request: a file that is no plain file, too
// large or not understood is passed over (the firewall then starts off).
std::optional<json> readState(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info
    {
    };
    std::string text;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<std::size_t>(info.st_size) <= MaxRequestBytes) {
        text.resize(static_cast<std::size_t>(info.st_size));
        if (read(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            text.clear();
    }
    close(fd);
    json state = json::parse(text, nullptr, false);
    if (state.is_discarded() || !state.is_object())
        return std::nullopt;
    return state;
}

// An alert engine says nothing after its request: what it sends is read and dropped,
// and its end is the end of its subscription.
bool subscriberStays(int fd)
{
    char ignored[512];
    const ssize_t n = recv(fd, ignored, sizeof ignored, MSG_DONTWAIT);
    return n > 0 || (n < 0 && (errno == EAGAIN || errno == EINTR));
}

} // namespace

Service::Service(ServiceOptions options) : m_options(std::move(options)) {}

bool Service::trusted(const Peer& peer) const
{
    if (peer.uid == 0)
        return true;
    if (!m_options.trustedGroup)
        return false;
    const gid_t group = *m_options.trustedGroup;
    return peer.gid == group ||
           std::find(peer.groups.begin(), peer.groups.end(), group) != peer.groups.end();
}

bool Service::start(std::string* error)
{
    if (!m_nft.valid()) {
        if (error)
            *error = "libnftables could not be started";
        return false;
    }
    std::string logError;
    m_logging = m_log.open(m_options.logGroup, &logError);
    if (!m_logging)
        std::fprintf(stderr, "orvanel-netd: %s; blocked attempts are not passed on\n",
                     logError.c_str());
    m_cgroupMount = cgroup2Mount();
    loadState();
    m_listener = listenAt(m_options.socketPath, error);
    return static_cast<bool>(m_listener);
}

void Service::loadState()
{
    if (m_options.stateDir.empty())
        return;
    const auto state = readState(stateFile(m_options.stateDir));
    if (!state || !state->contains("policy"))
        return;
    std::string error;
    const auto policy = policyFromDocument(state->at("policy"), &error);
    const auto generation = state->value("generation", json());
    const auto owner = state->value("owner", json());
    if (!policy || !generation.is_number_unsigned() || !owner.is_number_unsigned())
        return;
    m_generation = generation.get<std::uint64_t>();
    m_owner = owner.get<uid_t>();
    if (policy->firewallOn() && !buildTable(*policy, &error)) {
        std::fprintf(stderr, "orvanel-netd: the kept policy was not applied: %s\n", error.c_str());
        return;
    }
    m_policy = *policy;
}

void Service::saveState() const
{
    if (m_options.stateDir.empty())
        return;
    const std::string path = stateFile(m_options.stateDir);
    const std::string temp = path + ".new";
    const json state = {{"generation", m_generation},
                        {"owner", m_owner},
                        {"policy", json::parse(policyToJson(m_policy))}};
    unlink(temp.c_str());
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const std::string text = state.dump() + "\n";
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (close(fd) != 0 || !written || rename(temp.c_str(), path.c_str()) != 0)
        unlink(temp.c_str());
}

std::string Service::apply(const Policy& policy, const Peer& peer)
{
    if (!trusted(peer))
        return errorAnswer("refused: user " + std::to_string(peer.uid) +
                           " may not change the firewall (not in the trusted group)");
    if (policy == m_policy && m_nft.tableExists() == policy.firewallOn())
        return json{{"generation", m_generation}, {"changed", false}}.dump();
    std::string error;
    if (!buildTable(policy, &error))
        return errorAnswer("not applied: " + error);
    m_policy = policy;
    m_owner = peer.uid;
    ++m_generation;
    saveState();
    // The users' engines decide about programs by the mode and learning.
    tellSubscribers(
        json{{"event", "policy"}, {"policy", json::parse(policyToJson(m_policy))}}.dump() + "\n",
        std::nullopt);
    return json{{"generation", m_generation}, {"changed", true}}.dump();
}

bool Service::existingCgroup(const std::string& path) const
{
    struct stat info
    {
    };
    return m_cgroupMount && stat((*m_cgroupMount + path).c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode);
}

bool Service::pruneCgroups()
{
    bool pruned = false;
    for (auto* users : {&m_denied, &m_learning}) {
        for (auto& [uid, paths] : *users)
            pruned |=
                std::erase_if(paths, [&](const std::string& p) { return !existingCgroup(p); }) > 0;
        std::erase_if(*users, [](const auto& entry) { return entry.second.empty(); });
    }
    return pruned;
}

TableElements Service::elements() const
{
    TableElements elements;
    const auto fill = [&](const auto& users, auto& byLevel) {
        for (const auto& [uid, paths] : users)
            for (const std::string& path : paths)
                if (const auto element = nftCgroupElement(*m_cgroupMount, path, nullptr))
                    byLevel[static_cast<std::size_t>(cgroupLevel(path) - 1)].push_back(*element);
    };
    fill(m_denied, elements.denied);
    fill(m_learning, elements.learning);
    for (const auto& [uid, sites] : m_sites) {
        elements.sites4.insert(elements.sites4.end(), sites.ipv4.begin(), sites.ipv4.end());
        elements.sites6.insert(elements.sites6.end(), sites.ipv6.begin(), sites.ipv6.end());
    }
    return elements;
}

bool Service::buildTable(const Policy& policy, std::string* error)
{
    pruneCgroups();
    TableElements now = elements();
    // A cgroup may go between the pruning and the transaction: then once more without it.
    if (!m_nft.run(replaceTableCommands(policy, m_options.logGroup, now), error)) {
        if (!pruneCgroups())
            return false;
        now = elements();
        if (!m_nft.run(replaceTableCommands(policy, m_options.logGroup, now), error))
            return false;
    }
    // Between the two transactions the chain "programs" is empty for a moment.
    m_ruleLevels = levelsInUse(now);
    return !policy.firewallOn() ||
           m_nft.runText(programRulesText(m_options.logGroup, m_ruleLevels), error);
}

bool Service::renewProgramSets(std::string* error)
{
    const TableElements now = elements();
    const CgroupLevels added = levelsInUse(now) & ~m_ruleLevels;
    if (added.any()) {
        if (!m_nft.runText(programRulesText(m_options.logGroup, added), error))
            return false;
        m_ruleLevels |= added;
    }
    return m_nft.run(programSetCommands(now), error);
}

std::string Service::changePrograms(const json& document, const Peer& peer)
{
    std::string error;
    const auto request = programsRequestOf(document, peer.uid, &error);
    if (!request)
        return errorAnswer("programs refused: " + error);
    if (!m_cgroupMount)
        return errorAnswer("programs refused: no cgroup v2 hierarchy is mounted");
    if (!nftCgroupElement(*m_cgroupMount, "/", &error))
        return errorAnswer("programs refused: " + error);
    std::set<std::string> paths = m_denied[peer.uid], learning = m_learning[peer.uid];
    for (const std::string& path : request->allow) {
        paths.erase(path);
        learning.erase(path);
    }
    for (const auto& [from, to] : {std::pair{&request->deny, &paths}, {&request->learn, &learning}})
        for (const std::string& path : *from)
            if (existingCgroup(path)) {
                paths.erase(path);
                learning.erase(path);
                to->insert(path);
            }
    if (paths.size() + learning.size() > MaxDeniedPerUser || m_denied.size() > MaxDeniedUsers ||
        m_learning.size() > MaxDeniedUsers)
        return errorAnswer("programs refused: more than 4096 refused cgroups");
    const std::set<std::string> before = std::exchange(m_denied[peer.uid], std::move(paths));
    const std::set<std::string> learningBefore =
        std::exchange(m_learning[peer.uid], std::move(learning));
    pruneCgroups();
    if (m_policy.firewallOn() && m_nft.tableExists() && !renewProgramSets(&error)) {
        m_denied[peer.uid] = before;
        m_learning[peer.uid] = learningBefore;
        return errorAnswer("programs not applied: " + error);
    }
    const auto count = [&](const auto& users) {
        const auto mine = users.find(peer.uid);
        return mine == users.end() ? std::size_t(0) : mine->second.size();
    };
    return json{{"denied", count(m_denied)}, {"learning", count(m_learning)}}.dump();
}

std::string Service::replaceSites(const json& document, const Peer& peer)
{
    std::string error;
    auto request = sitesRequestOf(document, &error);
    if (!request)
        return errorAnswer("sites refused: " + error);
    const std::size_t count = request->ipv4.size() + request->ipv6.size();
    SitesRequest before = std::exchange(m_sites[peer.uid], std::move(*request));
    if (count == 0)
        m_sites.erase(peer.uid);
    const TableElements now = elements();
    if (m_policy.firewallOn() && m_nft.tableExists() &&
        !replaceSiteSets(now.sites4, now.sites6, &error)) {
        m_sites[peer.uid] = std::move(before);
        return errorAnswer("sites not applied: " + error);
    }
    return json{{"addresses", count}}.dump();
}

std::string Service::answer(const std::string& request, const Peer& peer)
{
    return answerDocument(json::parse(request, nullptr, false), peer);
}

std::string Service::answerDocument(const json& document, const Peer& peer)
{
    try {
        return answerRequest(document, peer);
    } catch (const nlohmann::json::exception& failure) {
        return errorAnswer(std::string("the request is not understood: ") + failure.what());
    }
}

std::string Service::answerRequest(const json& document, const Peer& peer)
{
    if (document.is_discarded() || !document.is_object())
        return errorAnswer("the request is not a JSON object");
    if (document.value("version", json()) != json(Policy::Version))
        return errorAnswer("only version 1 requests are understood");
    const json kind = document.value("request", json());
    if (kind == "status")
        return json{{"generation", m_generation},
                    {"policy", json::parse(policyToJson(m_policy))},
                    {"table", m_nft.tableExists()}}
            .dump();
    if (kind == "programs")
        return changePrograms(document, peer);
    if (kind == "sites")
        return replaceSites(document, peer);
    if (kind != "apply" || document.size() != 3 || !document.contains("policy"))
        return errorAnswer("the request is not understood");
    std::string error;
    const auto policy = policyFromDocument(document.at("policy"), &error);
    return policy ? apply(*policy, peer) : errorAnswer("policy refused: " + error);
}

void Service::serveClient(Fd client)
{
    const auto peer = peerOf(client.get());
    std::string error;
    const auto request = readLine(client.get(), MaxRequestBytes, RequestTimeout, &error);
    if (!peer || !request) {
        refuseAndDrain(client.get(), errorAnswer(request ? "unknown peer" : error) + "\n",
                       MaxDrainedBytes, DrainTimeout);
        return;
    }
    const json document = json::parse(*request, nullptr, false);
    if (document.is_object() && document.value("request", json()) == "alerts" &&
        document.value("version", json()) == json(Policy::Version)) {
        if (m_subscribers.size() >= MaxSubscribers) {
            writeAll(client.get(), errorAnswer("too many alert engines") + "\n");
            return;
        }
        writeAll(client.get(), json{{"subscribed", true}}.dump() + "\n");
        m_subscribers.push_back({std::move(client), peer->uid});
        return;
    }
    writeAll(client.get(), answerDocument(document, *peer) + "\n");
}

void Service::checkTable()
{
    std::string error;
    const bool pruned = pruneCgroups();
    if (!m_policy.firewallOn())
        return;
    if (m_nft.tableExists()) {
        if (pruned && !renewProgramSets(&error))
            std::fprintf(stderr, "orvanel-netd: the deny sets were not renewed: %s\n",
                         error.c_str());
        return;
    }
    if (buildTable(m_policy, &error))
        std::fprintf(stderr, "orvanel-netd: the table was removed by someone else; put back\n");
    else
        std::fprintf(stderr, "orvanel-netd: the table could not be put back: %s\n", error.c_str());
}

void Service::tellSubscribers(const std::string& line, std::optional<uid_t> only)
{
    // A subscriber that does not read in time loses the line, never the service.
    for (Subscriber& subscriber : m_subscribers)
        if ((!only || subscriber.uid == *only) &&
            send(subscriber.fd.get(), line.data(), line.size(), MSG_DONTWAIT | MSG_NOSIGNAL) < 0 &&
            errno != EAGAIN)
            subscriber.fd = Fd();
    std::erase_if(m_subscribers, [](const Subscriber& s) { return !s.fd; });
}

void Service::passOnEvents()
{
    bool connected = false;
    for (const LogEvent& event : m_log.read()) {
        if (event.prefix == prefixes::Learn) {
            connected = true;
            continue;
        }
        const uid_t owner = event.uid.value_or(m_owner);
        const std::string line = json{{"prefix", event.prefix},
                                      {"protocol", event.protocol},
                                      {"source", event.source},
                                      {"destination", event.destination},
                                      {"source_port", event.sourcePort},
                                      {"destination_port", event.destinationPort},
                                      {"uid", event.uid ? json(*event.uid) : json()}}
                                     .dump() +
                                 "\n";
        tellSubscribers(line, owner);
    }
    if (connected)
        reportConnected();
}

void Service::reportConnected()
{
    if (!m_cgroupMount || m_learning.empty())
        return;
    std::set<std::string> seen; // nft's names of the cgroups
    for (int level = 1; level <= MaxCgroupLevel; ++level)
        if (m_ruleLevels[static_cast<std::size_t>(level - 1)]) // only they fill their set
            for (std::string& name : m_nft.setElements(seenSet(level)))
                seen.insert(std::move(name));
    for (auto& [uid, paths] : m_learning)
        for (auto path = paths.begin(); path != paths.end();) {
            const auto name = nftCgroupElement(*m_cgroupMount, *path, nullptr);
            if (!name || !seen.contains(*name)) {
                ++path;
                continue;
            }
            tellSubscribers(json{{"event", "connected"}, {"cgroup", *path}}.dump() + "\n", uid);
            path = paths.erase(path);
        }
    std::erase_if(m_learning, [](const auto& entry) { return entry.second.empty(); });
    // Empties the sets seen_lN too: a cgroup still in learning is caught again next time.
    std::string error;
    if (!renewProgramSets(&error))
        std::fprintf(stderr, "orvanel-netd: the learning sets were not renewed: %s\n",
                     error.c_str());
}

bool Service::removeTable(std::string* error)
{
    return m_nft.run(removeTableCommands(), error);
}

int Service::run()
{
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&ending, signal);
    sigprocmask(SIG_BLOCK, &ending, nullptr);
    const Fd signals(signalfd(-1, &ending, SFD_CLOEXEC));
    auto nextCheck = std::chrono::steady_clock::now() + m_options.checkInterval;
    for (;;) {
        std::vector<pollfd> fds = {{signals.get(), POLLIN, 0},
                                   {m_listener.get(), POLLIN, 0},
                                   {m_logging ? m_log.fd() : -1, POLLIN, 0}};
        for (const Subscriber& subscriber : m_subscribers)
            fds.push_back({subscriber.fd.get(), POLLIN, 0});
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
            nextCheck - std::chrono::steady_clock::now());
        if (poll(fds.data(), fds.size(), std::max<int>(0, static_cast<int>(wait.count()))) < 0 &&
            errno != EINTR)
            break;
        if (fds[0].revents)
            break;
        if (fds[2].revents)
            passOnEvents();
        if (fds[1].revents & POLLIN)
            if (Fd client(accept4(m_listener.get(), nullptr, nullptr, SOCK_CLOEXEC)); client)
                serveClient(std::move(client));
        for (std::size_t i = 3; i < fds.size(); ++i)
            if (fds[i].revents && !subscriberStays(fds[i].fd))
                m_subscribers[i - 3].fd = Fd();
        std::erase_if(m_subscribers, [](const Subscriber& s) { return !s.fd; });
        if (std::chrono::steady_clock::now() >= nextCheck) {
            checkTable();
            nextCheck = std::chrono::steady_clock::now() + m_options.checkInterval;
        }
    }
    std::string error;
    if (!removeTable(&error))
        std::fprintf(stderr, "orvanel-netd: the table could not be removed: %s\n", error.c_str());
    unlink(m_options.socketPath.c_str());
    return 0;
}

std::optional<ServiceOptions> serviceOptions(int argc, char** argv, std::string* error)
{
    ServiceOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (name == "--remove-table")
            continue;
        if (i + 1 >= argc) {
            *error = "missing value after " + std::string(name);
            return std::nullopt;
        }
        const std::string value = argv[++i];
        if (name == "--socket") {
            options.socketPath = value;
        } else if (name == "--state-dir") {
            options.stateDir = value;
        } else if (name == "--trusted-group") {
            const group* found = getgrnam(value.c_str());
            if (!found) {
                *error = "no group " + value;
                return std::nullopt;
            }
            options.trustedGroup = found->gr_gid;
        } else if (name == "--log-group" || name == "--check-seconds") {
            char* end = nullptr;
            const unsigned long number = std::strtoul(value.c_str(), &end, 10);
            if (value.empty() || *end || number < 1 || number > 65535) {
                *error = std::string(name) + " takes a number from 1 to 65535";
                return std::nullopt;
            }
            if (name == "--log-group")
                options.logGroup = static_cast<std::uint16_t>(number);
            else
                options.checkInterval = std::chrono::seconds(number);
        } else {
            *error = "unknown option " + std::string(name);
            return std::nullopt;
        }
    }
    return options;
}

} // namespace orvanel::netd
