#pragma once

#include "NetdSocket.h"
#include "ProgramRules.h"

#include "protect/EngineContext.h"

#include <nlohmann/json_fwd.hpp>

#include <chrono>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvanel::netd {

// One request to the firewall service from the user's engine; what went wrong is written
// to the engine's standard error. Nothing when the service did not answer.
std::optional<nlohmann::json> askService(const nlohmann::json& request);

// Reads the waiting events of an inotify descriptor on the workspace: whether one of
// them concerned a file of these names.
bool workspaceFilesChanged(int inotifyFd, std::initializer_list<std::string_view> names);

// The program a cgroup runs: the executable of its first process; nothing while it has
// none, or while orvanel-run has not started its program yet.
std::optional<std::string> programOfCgroup(const std::string& directory);

// The cgroup of the user's application scopes: ORVANEL_APP_SLICE, else systemd's
// /user.slice/user-UID.slice/user@UID.service/app.slice.
std::string applicationSlice();

// The application scopes of one slice, watched with inotify on its folder: a new scope
// is pending until its program is known.
class ScopeWatcher final
{
public:
    bool start(const std::string& mount, const std::string& slice, std::string* error);
    int fd() const { return m_inotify.get(); }
    // Takes the folder's events: new scopes become pending, removed ones are forgotten.
    void readEvents();
    // The pending scopes whose program is now known: cgroup path → program path.
    std::map<std::string, std::string> identify();
    bool hasPending() const { return !m_pending.empty(); }
    const std::map<std::string, std::string>& known() const { return m_known; }
    void forget(const std::string& cgroup);

private:
    void addPending(const std::string& name);

    std::string m_mount, m_slice;
    Fd m_inotify;
    std::map<std::string, std::chrono::steady_clock::time_point> m_pending;
    std::map<std::string, std::string> m_known;
};

// The per-user side of the program rules: decides about every application scope by the
// rules, the quarantine, the firewall mode and learning, records learned rules and strict
// alerts, and has the service refuse the denied scopes' sockets. Lives in netalerte.exe.
class ProgramWatch final
{
public:
    explicit ProgramWatch(engines::EngineContext context);
    // False (with the reason) when there is no cgroup v2 hierarchy or slice to watch.
    bool start(std::string* error);
    // The descriptors to wait on; how long to wait at most (-1: no limit).
    std::vector<int> fds() const;
    int timeoutMilliseconds() const;
    // The mode and learning of a policy the service applied.
    void setPolicy(const nlohmann::json& policy);
    // Handles whatever happened: new or removed scopes, changed tables.
    void step();
    // The service saw the first connection of a scope in learning: its program's rule is
    // recorded now, and the scope is allowed.
    void connected(const std::string& cgroup);

private:
    // What the service was last told of a scope. A program without a rule is in learning
    // until its first connection.
    enum class Told { Allowed, Refused, Learning };
    struct Changes
    {
        std::vector<std::string> deny, allow, learn;
    };
    void decideAll();
    void decide(const std::string& cgroup, const std::string& program, Changes& changes);
    void send(const Changes& changes);
    bool tablesChanged();
    void record();

    engines::EngineContext m_context;
    ScopeWatcher m_scopes;
    Fd m_tablesWatch;
    ProgramTables m_tables;
    char m_mode = '2';
    bool m_learning = true;
    std::map<std::string, Told> m_told;                // by cgroup
    std::vector<std::pair<QString, Record>> m_records; // rows to add once the service knows
};

} // namespace orvanel::netd
