#pragma once

#include "NetPolicy.h"

#include "protect/EngineContext.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace orvanel::netd {

// What the panel handed netpro.exe and what the workspace files add to it.
struct PolicyInput
{
    Policy policy;
    int passedOverPorts = 0; // lines of portsfermes.txt that are no port from 1 to 65535
};

// The thirteen values of the status flags line, each "0" or "1", as separate words or as
// one argument; nothing for anything else.
std::optional<std::array<bool, 13>> statusFlagsOf(const QStringList& args);

// The policy of the flags, the firewall mode of firewall.txt and the lines of
// portsfermes.txt. The first flag decides whether the firewall is on; the file tells
// mode "1" from "3". Flags 2 to 8 block the protocols, 9 is the Internet switch, 10
// stealth mode, 11 learning (1) or strict (0); the site filter and ctrlpl switches are
// not the firewall's.
PolicyInput policyOf(const std::array<bool, 13>& flags, const QString& firewallMode,
                     const QStringList& closedPortLines);

// netpro.exe <status flags>: hands the policy to the firewall service and writes the
// outcome to netpro.txt; ends once it is applied. Starts the alert engine netalerte.exe
// when it is not running yet.
int networkProtectionEngine(const engines::EngineContext& context, const QStringList& args);

} // namespace orvanel::netd
