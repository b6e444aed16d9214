#include "NetAlerts.h"

#include "NetRules.h"
#include "NetdSocket.h"
#include "ProgramWatch.h"
#include "SiteWatch.h"

#include "protect/LockedTable.h"
#include "protect/ProcNet.h"
#include "protect/Reports.h"
#include "workspace/Table.h"

#include <QDateTime>
#include <QFileInfo>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvanel::netd {

using namespace Qt::StringLiterals;
using nlohmann::json;

namespace {

// Attempts that arrive together are written together.
constexpr int GatherMilliseconds = 200;
constexpr std::size_t MaxLine = 4096;

struct Rule
{
    std::string_view prefix;
    const char* reason;
    bool outgoing;
};

constexpr Rule kRules[] = {
    {prefixes::Incoming, "incoming connection refused", false},
    {prefixes::ClosedPortIn, "closed port, incoming", false},
    {prefixes::ClosedPortOut, "closed port, outgoing", true},
    {prefixes::InternetOff, "Internet switched off", true},
    {prefixes::Protocol, "protocol switched off", true},
    {prefixes::Ping, "ping not answered (stealth mode)", false},
    {prefixes::Site, "blocked site", true},
};

std::string readSmallFile(const std::string& path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str().substr(0, 16 * 1024 * 1024);
}

// The socket of the user's that sends from that local port, and the program holding it:
// known while the socket lives (a refused TCP connection's often does not).
std::optional<QString> programWithPort(const std::string& protocol, unsigned port)
{
    unsigned long long inode = 0;
    const std::string base = protocol == "TCP" ? "tcp" : "udp";
    for (const bool six : {false, true}) {
        const std::string name = "/proc/net/" + base + (six ? "6" : "");
        for (const auto& socket : engines::parseProcNet(readSmallFile(name), protocol, six))
            if (socket.localPort == port && socket.inode != 0)
                inode = socket.inode;
    }
    if (inode == 0)
        return std::nullopt;
    const std::string wanted = "socket:[" + std::to_string(inode) + "]";
    DIR* processes = opendir("/proc");
    std::optional<QString> found;
    while (dirent* entry = processes ? readdir(processes) : nullptr) {
        const std::string pid = entry->d_name;
        if (found || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        DIR* fds = opendir(("/proc/" + pid + "/fd").c_str());
        while (dirent* fd = fds ? readdir(fds) : nullptr) {
            char link[64] = {};
            const std::string path = "/proc/" + pid + "/fd/" + fd->d_name;
            if (readlink(path.c_str(), link, sizeof link - 1) > 0 && wanted == link) {
                found = QFileInfo(QString::fromStdString("/proc/" + pid + "/exe")).symLinkTarget();
                break;
            }
        }
        if (fds)
            closedir(fds);
    }
    if (processes)
        closedir(processes);
    return found && !found->isEmpty() ? found : std::nullopt;
}

QString field(const json& event, const char* key)
{
    const auto* text = event.contains(key) ? event[key].get_ptr<const std::string*>() : nullptr;
    return text ? QString::fromStdString(text->substr(0, 100)) : QString();
}

unsigned portField(const json& event, const char* key)
{
    const json value = event.value(key, json());
    if (!value.is_number_integer())
        return 0;
    const std::int64_t port = value.get<std::int64_t>();
    return port > 0 && port <= 65535 ? static_cast<unsigned>(port) : 0;
}

} // namespace

std::optional<BlockedAttempt> attemptOf(const json& event)
{
    if (!event.is_object())
        return std::nullopt;
    const std::string prefix = field(event, "prefix").toStdString();
    const Rule* rule = nullptr;
    for (const Rule& candidate : kRules)
        if (candidate.prefix == prefix)
            rule = &candidate;
    if (!rule)
        return std::nullopt;
    BlockedAttempt attempt;
    const QString protocol = field(event, "protocol");
    const unsigned port = portField(event, "destination_port");
    attempt.port = port ? protocol + u' ' + QString::number(port) : protocol;
    attempt.reason = QString::fromLatin1(rule->reason) + u": "_s + attempt.port;
    attempt.address = field(event, rule->outgoing ? "destination" : "source");
    attempt.direction = rule->outgoing ? u"out"_s : u"in"_s;
    const unsigned localPort = portField(event, "source_port");
    if (rule->outgoing && localPort != 0 && (protocol == "TCP"_L1 || protocol == "UDP"_L1)) {
        if (const auto path = programWithPort(protocol.toStdString(), localPort)) {
            attempt.path = *path;
            attempt.program = QFileInfo(*path).fileName();
        }
    }
    return attempt;
}

int mergeAttempts(Table& table, const std::vector<BlockedAttempt>& attempts, const QString& when)
{
    const int reason = table.fieldIndexOf(u"Champ3");
    const int address = table.fieldIndexOf(u"Champ4");
    const int path = table.fieldIndexOf(u"Champ8");
    const int count = table.fieldIndexOf(u"Champ6");
    int added = 0;
    for (const BlockedAttempt& attempt : attempts) {
        int row = table.recordCount() - 1;
        while (row >= 0 && !(table.valueAt(row, reason) == attempt.reason &&
                             table.valueAt(row, address) == attempt.address &&
                             table.valueAt(row, path) == attempt.path))
            --row;
        if (row >= 0) {
            table.first();
            while (table.currentIndex() < row)
                table.next();
            table.setValue(u"Champ2", when);
            table.setValue(u"Champ6",
                           QString::number(table.valueAt(row, count).toInt() + attempt.count));
            continue;
        }
        table.insert();
        table.setValue(u"Champ1", attempt.program);
        table.setValue(u"Champ2", when);
        table.setValue(u"Champ3", attempt.reason);
        table.setValue(u"Champ4", attempt.address);
        table.setValue(u"Champ5", attempt.port);
        table.setValue(u"Champ6", QString::number(attempt.count));
        table.setValue(u"Champ7", attempt.direction);
        table.setValue(u"Champ8", attempt.path);
        table.post();
        ++added;
    }
    return added;
}

namespace {

// Reads the event lines waiting on the socket; false once the service has gone. A policy
// the service applied goes to the program rules.
bool readEvents(int fd, std::string& pending, std::vector<BlockedAttempt>& attempts,
                ProgramWatch* programs)
{
    char buffer[16384];
    const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
        return false;
    if (n > 0)
        pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (line.size() > MaxLine)
            continue;
        const json event = json::parse(line, nullptr, false);
        if (programs && event.is_object() && event.value("event", json()) == "policy" &&
            event.contains("policy"))
            programs->setPolicy(event.at("policy"));
        else if (programs && event.is_object() && event.value("event", json()) == "connected" &&
                 event.value("cgroup", json()).is_string())
            programs->connected(event.at("cgroup").get<std::string>());
        else if (const auto attempt = attemptOf(event))
            attempts.push_back(*attempt);
    }
    if (pending.size() > MaxLine)
        pending.clear();
    return true;
}

void record(const engines::EngineContext& context, const std::vector<BlockedAttempt>& attempts)
{
    engines::Reports reports(context);
    const int level = reports.alertLevel();
    if (level < 2 || attempts.empty())
        return;
    int added = 0;
    QString error;
    const QString when = engines::Reports::dateTimeText(QDateTime::currentDateTime());
    if (!engines::changeTableLocked(
            context.workspaceDir, TableId::Alerts,
            [&](Table& table) { return (added = mergeAttempts(table, attempts, when)), true; },
            &error))
        std::fprintf(stderr, "netalerte.exe: alerts not recorded: %s\n", qPrintable(error));
    if (level == 3 && added > 0)
        reports.notify(attempts.front().reason + u' ' + attempts.front().address);
}

// The shorter of the two watchers' waits (-1: none).
int waitMilliseconds(const ProgramWatch* programs, const SiteWatch& sites)
{
    const int forPrograms = programs ? programs->timeoutMilliseconds() : -1;
    const int forSites = sites.timeoutMilliseconds();
    if (forPrograms < 0 || forSites < 0)
        return std::max(forPrograms, forSites);
    return std::min(forPrograms, forSites);
}

} // namespace

int networkAlertEngine(const engines::EngineContext& context, const QStringList&)
{
    // The lock tells netpro.exe (and anyone else) that an alert engine runs, so it is
    // taken only once the service passes the attempts on: none is lost in between.
    std::string error;
    const Fd service = connectTo(serviceSocketPath(), &error);
    const std::string request = json{{"version", 1}, {"request", "alerts"}}.dump() + "\n";
    if (!service || !writeAll(service.get(), request) ||
        !readLine(service.get(), MaxLine, std::chrono::seconds(5), &error)) {
        std::fprintf(stderr, "netalerte.exe: no firewall service: %s\n", error.c_str());
        return 1;
    }
    const QByteArray lockPath = context.file(".netalerte.lock"_L1).toLocal8Bit();
    const Fd lock(open(lockPath.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!lock || flock(lock.get(), LOCK_EX | LOCK_NB) != 0)
        return 0; // another one runs for this workspace
    ProgramWatch programWatch(context);
    ProgramWatch* programs = programWatch.start(&error) ? &programWatch : nullptr;
    if (!programs)
        std::fprintf(stderr, "netalerte.exe: %s\n", error.c_str());
    SiteWatch sites(context);
    if (!sites.start(&error))
        std::fprintf(stderr, "netalerte.exe: blocked sites not followed: %s\n", error.c_str());
    std::string pending;
    for (;;) {
        std::vector<pollfd> waiting = {{service.get(), POLLIN, 0}, {sites.fd(), POLLIN, 0}};
        for (const int fd : programs ? programs->fds() : std::vector<int>())
            waiting.push_back({fd, POLLIN, 0});
        if (poll(waiting.data(), waiting.size(), waitMilliseconds(programs, sites)) < 0 &&
            errno != EINTR)
            return 1;
        if (programs)
            programs->step();
        sites.step();
        if (!waiting[0].revents)
            continue;
        std::vector<BlockedAttempt> attempts;
        if (!readEvents(service.get(), pending, attempts, programs))
            return 0;
        if (!attempts.empty())
            poll(nullptr, 0, GatherMilliseconds);
        const bool alive = readEvents(service.get(), pending, attempts, programs);
        record(context, attempts);
        if (!alive)
            return 0;
    }
}

} // namespace orvanel::netd
