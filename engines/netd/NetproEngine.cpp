#include "NetproEngine.h"

#include "NetdSocket.h"

#include "protect/Reports.h"
#include "workspace/Names.h"
#include "workspace/SideFiles.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <set>

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <unistd.h>

extern char** environ;

namespace orvanel::netd {

using namespace Qt::StringLiterals;
using nlohmann::json;

namespace {

constexpr auto ResultFile = "netpro.txt"_L1;
constexpr auto AlertEngine = "netalerte.exe"_L1;
// Ten thousand closed ports are applied in well under a second; the service may be
// busy with another user's request first.
constexpr auto ServiceTimeout = std::chrono::seconds(15);

const QString kNotInstalled = u"firewall service not installed: the firewall is inactive"_s;

std::optional<std::uint16_t> portOf(const QString& line)
{
    const QString text = line.trimmed();
    bool ok = false;
    const uint port = text.toUInt(&ok);
    if (!ok || text.size() > 5 || port < 1 || port > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

void writeResult(const engines::EngineContext& context, const QStringList& lines)
{
    QString error;
    if (!sidefiles::writeLines(context.file(ResultFile), lines, &error))
        std::fprintf(stderr, "netpro.exe: %s\n", qPrintable(error));
}

// Says once that the service is missing: the notification goes out only when netpro.txt
// did not say so already.
void reportMissingService(const engines::EngineContext& context)
{
    const auto before = sidefiles::firstLine(context.file(ResultFile));
    writeResult(context, {kNotInstalled});
    if (before != kNotInstalled)
        engines::Reports(context).notify(kNotInstalled);
}

// The alert engine holds an exclusive lock on its file while it runs.
bool alertEngineRunning(const engines::EngineContext& context)
{
    const QByteArray path = context.file(".netalerte.lock"_L1).toLocal8Bit();
    const int fd = open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

void startAlertEngine(const engines::EngineContext& context)
{
    const QByteArray program = context.file(AlertEngine).toLocal8Bit();
    if (access(program.constData(), X_OK) != 0 || alertEngineRunning(context))
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY,
                                         0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    char* const argv[] = {const_cast<char*>(program.constData()), nullptr};
    pid_t pid = 0;
    posix_spawn(&pid, program.constData(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

QString outcomeLine(const json& answer, const Policy& policy)
{
    if (answer.contains("error") && answer["error"].is_string())
        return u"firewall policy not applied: "_s +
               QString::fromStdString(answer["error"].get<std::string>());
    const json generation = answer.value("generation", json());
    if (!generation.is_number_unsigned())
        return u"firewall policy not applied: the service gave no generation"_s;
    return (policy.firewallOn() ? u"firewall on: policy applied, generation "_s
                                : u"firewall off: no table, generation "_s) +
           QString::number(generation.get<std::uint64_t>());
}

} // namespace

std::optional<std::array<bool, 13>> statusFlagsOf(const QStringList& args)
{
    const QStringList words = args.join(u' ').split(u' ', Qt::SkipEmptyParts);
    if (words.size() != 13)
        return std::nullopt;
    std::array<bool, 13> flags{};
    for (int i = 0; i < 13; ++i) {
        if (words[i] != "0"_L1 && words[i] != "1"_L1)
            return std::nullopt;
        flags[static_cast<std::size_t>(i)] = words[i] == "1"_L1;
    }
    return flags;
}

PolicyInput policyOf(const std::array<bool, 13>& flags, const QString& firewallMode,
                     const QStringList& closedPortLines)
{
    PolicyInput input;
    Policy& policy = input.policy;
    const QString mode = firewallMode.trimmed();
    policy.mode = !flags[0] ? '2' : mode == "3"_L1 ? '3' : '1';
    for (std::size_t i = 0; i < ProtocolCount; ++i)
        policy.blockedProtocols[i] = flags[1 + i];
    policy.internet = flags[8];
    policy.stealth = flags[9];
    policy.learning = flags[10];
    std::set<std::uint16_t> ports;
    for (const QString& line : closedPortLines) {
        if (line.trimmed().isEmpty())
            continue;
        if (const auto port = portOf(line))
            ports.insert(*port);
        else
            ++input.passedOverPorts;
    }
    policy.closedPorts.assign(ports.begin(), ports.end());
    return input;
}

int networkProtectionEngine(const engines::EngineContext& context, const QStringList& args)
{
    const auto flags = statusFlagsOf(args);
    if (!flags) {
        QString given = args.join(u' ').left(200);
        for (QChar& c : given)
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                c = u' ';
        writeResult(context, {u"status flags not understood: "_s + given});
        return 0;
    }
    const PolicyInput input = policyOf(
        *flags, sidefiles::firstLine(context.file(names::FirewallFile)).value_or(QString()),
        sidefiles::readLines(context.file(names::ClosedPortsFile)).value_or(QStringList()));
    const json request = {{"version", Policy::Version},
                          {"request", "apply"},
                          {"policy", json::parse(policyToJson(input.policy))}};
    std::string error;
    const auto reply = exchange(serviceSocketPath(), request.dump(), ServiceTimeout, &error);
    if (!reply && (error == std::strerror(ENOENT) || error == std::strerror(ECONNREFUSED))) {
        reportMissingService(context);
        return 0;
    }
    const json answer = reply ? json::parse(*reply, nullptr, false) : json();
    QStringList lines = {reply
                             ? outcomeLine(answer, input.policy)
                             : u"firewall policy not applied: "_s + QString::fromStdString(error)};
    if (input.passedOverPorts > 0)
        lines.append(
            QString::number(input.passedOverPorts) +
            u" lines of portsfermes.txt are no port from 1 to 65535 and were passed over"_s);
    writeResult(context, lines);
    if (reply && answer.contains("generation"))
        startAlertEngine(context);
    // The outcome is netpro.txt's; the panel never waits for the exit code.
    return 0;
}

} // namespace orvanel::netd
