#pragma once

#include <QHash>
#include <QSet>
#include <QString>

#include <optional>

namespace orvanel::netd {

// The fields of regles.xml that belong to the engines: Champ5 holds the decision, "allow"
// or "deny"; Champ6 who took it, "learning" or "user". A rule with any other Champ5 (the
// rows netstat.exe adds for programs it saw connecting) allows.
inline constexpr auto DecisionAllow = "allow";
inline constexpr auto DecisionDeny = "deny";

// What the rules and the quarantine say about programs, by executable name.
struct ProgramTables
{
    QHash<QString, bool> allowed; // Champ1 of regles.xml → allowed
    QSet<QString> quarantined;    // Champ1 of quarantaines.xml, trimmed
};
// Both tables as they are now (missing or unreadable tables count as empty).
ProgramTables readProgramTables(const QString& workspaceDir);

enum class Verdict { Allow, Deny };
enum class Record { Nothing, LearnedRule, StrictAlert };
struct Decision
{
    Verdict verdict = Verdict::Allow;
    Record record = Record::Nothing;
    bool operator==(const Decision&) const = default;
};

// The decision about one program. Mode "2" (firewall off) decides nothing. Mode "1"
// follows the learning switch; mode "3" ("Always") is strict whatever the switch says.
// Quarantine refuses first, then the program's rule; a program with no rule is allowed
// and learned in learning mode, refused and alerted in strict mode.
Decision decide(const QString& name, const ProgramTables& tables, char mode, bool learning);

// Adds the learned rule of the program at `path` unless one with its name is there.
bool recordLearnedRule(const QString& workspaceDir, const QString& path, QString* error);
// Adds the strict mode's alert about the program, or counts it on the row already there.
bool recordStrictAlert(const QString& workspaceDir, const QString& path, QString* error);

} // namespace orvanel::netd
