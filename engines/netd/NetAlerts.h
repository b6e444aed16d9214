#pragma once

#include "protect/EngineContext.h"

#include <QString>
#include <QStringList>

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <vector>

namespace orvanel {
class Table;
}

namespace orvanel::netd {

// One blocked attempt as the alerts table shows it.
struct BlockedAttempt
{
    QString program = u"?"_qs; // the program's file name, "?" when it cannot be known
    QString path = u"?"_qs;
    QString reason;    // Champ3: the rule and the protocol and port
    QString address;   // Champ4: the other end's address
    QString port;      // Champ5: "TCP 23"
    QString direction; // Champ7: "in" or "out"
    int count = 1;
};

// The attempt of one event line of the service; nothing for an event of no rule of ours.
std::optional<BlockedAttempt> attemptOf(const nlohmann::json& event);

// Adds the attempts to the alerts table, merging repeats: an attempt with the reason,
// address and program of a row already there adds to that row's count (Champ6) and
// moves its date, so a flood cannot grow the table. Answers how many rows are new.
int mergeAttempts(Table& table, const std::vector<BlockedAttempt>& attempts, const QString& when);

// netalerte.exe: resident while the firewall service runs; turns the attempts the
// service passes on into alert rows at the level of track.txt (1 none, 2 rows, 3 rows
// and a notification per new row). One instance per workspace.
int networkAlertEngine(const engines::EngineContext& context, const QStringList& args);

} // namespace orvanel::netd
