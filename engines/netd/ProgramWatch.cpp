#include "ProgramWatch.h"

#include "Cgroups.h"
#include "NetPolicy.h"

#include <QFileInfo>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <utility>

#include <dirent.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace orvanel::netd {

using namespace Qt::StringLiterals;
using nlohmann::json;

namespace {

// A scope whose program cannot be known in this time is let go: it runs none.
constexpr auto PendingLimit = std::chrono::seconds(10);
constexpr int PendingPollMilliseconds = 5;

bool isScope(std::string_view name)
{
    return name.ends_with(".scope") && name.find('/') == std::string_view::npos;
}

} // namespace

std::optional<json> askService(const json& request)
{
    std::string error;
    const auto reply =
        exchange(serviceSocketPath(), request.dump(), std::chrono::seconds(5), &error);
    if (!reply) {
        std::fprintf(stderr, "netalerte.exe: the firewall service did not answer: %s\n",
                     error.c_str());
        return std::nullopt;
    }
    json answer = json::parse(*reply, nullptr, false);
    if (answer.is_discarded() || answer.contains("error"))
        std::fprintf(stderr, "netalerte.exe: %s\n", reply->c_str());
    return answer;
}

bool workspaceFilesChanged(int inotifyFd, std::initializer_list<std::string_view> names)
{
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    ssize_t size;
    while ((size = read(inotifyFd, buffer, sizeof buffer)) > 0)
        for (ssize_t at = 0; at < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const std::string_view name = event->len ? event->name : "";
            changed |= std::find(names.begin(), names.end(), name) != names.end();
        }
    return changed;
}

std::optional<std::string> programOfCgroup(const std::string& directory)
{
    std::ifstream procs(directory + "/cgroup.procs");
    long pid = 0;
    if (!(procs >> pid) || pid <= 0)
        return std::nullopt;
    char target[4096];
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    const ssize_t size = readlink(link.c_str(), target, sizeof target - 1);
    if (size <= 0)
        return std::nullopt;
    std::string program(target, static_cast<std::size_t>(size));
    if (program.ends_with("/orvanel-run"))
        return std::nullopt; // its program comes with its exec
    return program;
}

std::string applicationSlice()
{
    if (const char* slice = std::getenv("ORVANEL_APP_SLICE"); slice && *slice)
        return slice;
    const std::string uid = std::to_string(getuid());
    return "/user.slice/user-" + uid + ".slice/user@" + uid + ".service/app.slice";
}

bool ScopeWatcher::start(const std::string& mount, const std::string& slice, std::string* error)
{
    m_mount = mount;
    m_slice = slice;
    m_inotify = Fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    const std::string directory = mount + slice;
    if (!m_inotify || inotify_add_watch(m_inotify.get(), directory.c_str(),
                                        IN_CREATE | IN_DELETE | IN_ONLYDIR) < 0) {
        *error = "cannot watch " + directory + ": " + std::strerror(errno);
        return false;
    }
    if (DIR* folder = opendir(directory.c_str())) {
        while (const dirent* entry = readdir(folder))
            if (isScope(entry->d_name))
                addPending(entry->d_name);
        closedir(folder);
    }
    return true;
}

void ScopeWatcher::addPending(const std::string& name)
{
    m_pending[m_slice + "/" + name] = std::chrono::steady_clock::now();
}

void ScopeWatcher::forget(const std::string& cgroup)
{
    m_pending.erase(cgroup);
    m_known.erase(cgroup);
}

void ScopeWatcher::readEvents()
{
    alignas(inotify_event) char buffer[8192];
    ssize_t size;
    while ((size = read(m_inotify.get(), buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->len == 0 || !(event->mask & IN_ISDIR) || !isScope(event->name))
                continue;
            if (event->mask & IN_CREATE)
                addPending(event->name);
            else
                forget(m_slice + "/" + event->name);
        }
    }
}

std::map<std::string, std::string> ScopeWatcher::identify()
{
    std::map<std::string, std::string> found;
    const auto now = std::chrono::steady_clock::now();
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (const auto program = programOfCgroup(m_mount + it->first)) {
            found[it->first] = m_known[it->first] = *program;
            it = m_pending.erase(it);
        } else {
            it = now - it->second > PendingLimit ? m_pending.erase(it) : std::next(it);
        }
    }
    return found;
}

ProgramWatch::ProgramWatch(engines::EngineContext context) : m_context(std::move(context)) {}

bool ProgramWatch::start(std::string* error)
{
    const auto mount = cgroup2Mount();
    if (!mount) {
        *error = "no cgroup v2 hierarchy is mounted: program rules are not enforced";
        return false;
    }
    if (!m_scopes.start(*mount, applicationSlice(), error))
        return false;
    m_tablesWatch = Fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    const QByteArray workspace = m_context.workspaceDir.toLocal8Bit();
    inotify_add_watch(m_tablesWatch.get(), workspace.constData(), IN_CLOSE_WRITE | IN_MOVED_TO);
    m_tables = readProgramTables(m_context.workspaceDir);
    if (const auto status = askService({{"version", Policy::Version}, {"request", "status"}});
        status && status->contains("policy"))
        setPolicy(status->at("policy"));
    return true;
}

std::vector<int> ProgramWatch::fds() const
{
    return {m_scopes.fd(), m_tablesWatch.get()};
}

int ProgramWatch::timeoutMilliseconds() const
{
    return m_scopes.hasPending() ? PendingPollMilliseconds : -1;
}

void ProgramWatch::setPolicy(const json& document)
{
    std::string error;
    const auto policy = policyFromDocument(document, &error);
    if (!policy)
        return;
    m_mode = policy->mode;
    m_learning = policy->learning;
    decideAll();
}

bool ProgramWatch::tablesChanged()
{
    return workspaceFilesChanged(m_tablesWatch.get(), {"regles.xml", "quarantaines.xml"});
}

void ProgramWatch::step()
{
    m_scopes.readEvents();
    std::erase_if(m_told,
                  [&](const auto& entry) { return !m_scopes.known().contains(entry.first); });
    if (tablesChanged()) {
        m_tables = readProgramTables(m_context.workspaceDir);
        decideAll();
    }
    Changes changes;
    for (const auto& [cgroup, program] : m_scopes.identify())
        decide(cgroup, program, changes);
    send(changes);
    record();
}

void ProgramWatch::decideAll()
{
    Changes changes;
    for (const auto& [cgroup, program] : m_scopes.known())
        decide(cgroup, program, changes);
    send(changes);
    record();
}

void ProgramWatch::connected(const std::string& cgroup)
{
    const auto told = m_told.find(cgroup);
    const auto scope = m_scopes.known().find(cgroup);
    if (told == m_told.end() || told->second != Told::Learning || scope == m_scopes.known().end())
        return;
    told->second = Told::Allowed; // the service took it out of learning
    const QString path = QString::fromStdString(scope->second);
    const QString name = QFileInfo(path).fileName();
    if (netd::decide(name, m_tables, m_mode, m_learning).record == Record::LearnedRule) {
        m_tables.allowed[name] = true; // one rule per program, even before the file
        m_records.emplace_back(path, Record::LearnedRule);
    }
    // The program's other scopes in learning are allowed by its rule now.
    decideAll();
}

// The rows come after the service refused the scopes: an alert is never ahead of its
// refusal.
void ProgramWatch::record()
{
    QString error;
    for (const auto& [path, kind] : std::exchange(m_records, {})) {
        const bool written = kind == Record::LearnedRule
                                 ? recordLearnedRule(m_context.workspaceDir, path, &error)
                                 : recordStrictAlert(m_context.workspaceDir, path, &error);
        if (!written && !error.isEmpty())
            std::fprintf(stderr, "netalerte.exe: row not recorded: %s\n", qPrintable(error));
    }
}

void ProgramWatch::decide(const std::string& cgroup, const std::string& program, Changes& changes)
{
    const QString path = QString::fromStdString(program);
    const Decision decision =
        netd::decide(QFileInfo(path).fileName(), m_tables, m_mode, m_learning);
    const Told told = decision.verdict == Verdict::Deny        ? Told::Refused
                      : decision.record == Record::LearnedRule ? Told::Learning
                                                               : Told::Allowed;
    // Rows are for a scope's first decision: a change of the tables decides again, quietly.
    if (decision.record == Record::StrictAlert && !m_told.contains(cgroup))
        m_records.emplace_back(path, decision.record);
    const auto before = m_told.find(cgroup);
    if (before != m_told.end() && before->second == told)
        return;
    m_told[cgroup] = told;
    (told == Told::Refused    ? changes.deny
     : told == Told::Learning ? changes.learn
                              : changes.allow)
        .push_back(cgroup);
}

void ProgramWatch::send(const Changes& changes)
{
    const std::size_t longest =
        std::max({changes.deny.size(), changes.allow.size(), changes.learn.size()});
    // The service takes at most so many at once.
    for (std::size_t at = 0; at < longest; at += ProgramsRequest::MaxListed) {
        const auto part = [&](const std::vector<std::string>& list) {
            const auto from = list.begin() + static_cast<std::ptrdiff_t>(std::min(at, list.size()));
            return std::vector<std::string>(
                from, from + static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                                 ProgramsRequest::MaxListed,
                                 static_cast<std::size_t>(list.end() - from))));
        };
        askService({{"version", Policy::Version},
                    {"request", "programs"},
                    {"deny", part(changes.deny)},
                    {"allow", part(changes.allow)},
                    {"learn", part(changes.learn)}});
    }
}

} // namespace orvanel::netd
