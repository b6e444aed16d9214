#pragma once

#include "NetPolicy.h"
#include "NetRules.h"
#include "NetdSocket.h"
#include "Nflog.h"
#include "Nft.h"

#include <nlohmann/json_fwd.hpp>

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orvanel::netd {

struct ServiceOptions
{
    std::string socketPath = DefaultSocketPath;
    // Members of this group (and root) may change the firewall; nobody else may.
    std::optional<gid_t> trustedGroup;
    // Where the applied policy and its generation are kept across restarts; empty keeps
    // nothing.
    std::string stateDir;
    std::uint16_t logGroup = 4021;
    std::chrono::seconds checkInterval{5};
};

// orvanel-netd: applies the policies of trusted users to the table inet orvanel, puts the
// table back when someone removes it, and passes the packets its rules log on to the
// users' alert engines. One thread; every request is answered before the next is read.
class Service final
{
public:
    explicit Service(ServiceOptions options);

    // Listens, reads the log group and applies the kept policy. False with the reason.
    bool start(std::string* error);
    // Serves until SIGTERM, SIGINT or SIGHUP, then removes the table.
    int run();
    // Removes the table (the unit's stop runs this as well).
    bool removeTable(std::string* error);

    // The answer to one request line from that peer (for tests without a socket).
    std::string answer(const std::string& request, const Peer& peer);
    bool trusted(const Peer& peer) const;

private:
    struct Subscriber
    {
        Fd fd;
        uid_t uid;
    };

    // The answer to a request read once: a list of 10,000 site addresses costs
    // milliseconds to parse.
    std::string answerDocument(const nlohmann::json& document, const Peer& peer);
    std::string answerRequest(const nlohmann::json& document, const Peer& peer);
    std::string apply(const Policy& policy, const Peer& peer);
    std::string changePrograms(const nlohmann::json& document, const Peer& peer);
    std::string replaceSites(const nlohmann::json& document, const Peer& peer);
    // Builds the table of the policy with the users' elements: the JSON transaction,
    // then the rules of the chain "programs".
    bool buildTable(const Policy& policy, std::string* error);
    bool existingCgroup(const std::string& path) const;
    // Forgets the cgroups that are gone; true when any was.
    bool pruneCgroups();
    // Fills the deny and learning sets again. A level that gains its first cgroup gets
    // its rules first, so that no cgroup waits in a set without them.
    bool renewProgramSets(std::string* error);
    TableElements elements() const;
    void tellSubscribers(const std::string& line, std::optional<uid_t> only);
    void serveClient(Fd client);
    void checkTable();
    void passOnEvents();
    // Tells the engines which of their cgroups in learning connected (the sets seen_lN)
    // and takes those out of learning.
    void reportConnected();
    void loadState();
    void saveState() const;

    ServiceOptions m_options;
    Nft m_nft;
    Fd m_listener;
    NflogSocket m_log;
    bool m_logging = false;
    Policy m_policy;                // the policy in force ("2": no table)
    uid_t m_owner = 0;              // who applied it: the owner of packets with no uid
    std::uint64_t m_generation = 0; // counts the transactions applied
    std::vector<Subscriber> m_subscribers;
    std::optional<std::string> m_cgroupMount;        // the cgroup v2 hierarchy, when mounted
    std::map<uid_t, std::set<std::string>> m_denied; // each user's refused cgroups
    // Each user's cgroups allowed until their first connection, which is reported.
    std::map<uid_t, std::set<std::string>> m_learning;
    std::map<uid_t, SitesRequest> m_sites; // each user's blocked addresses
    CgroupLevels m_ruleLevels;             // the levels with rules in the chain "programs"
};

// The command line of orvanel-netd; nothing with the reason when it cannot be read.
std::optional<ServiceOptions> serviceOptions(int argc, char** argv, std::string* error);

} // namespace orvanel::netd
