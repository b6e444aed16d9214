#include "ProgramRules.h"

#include "NetAlerts.h"

#include "protect/LockedTable.h"
#include "protect/Reports.h"
#include "workspace/ProgramChecksum.h"
#include "workspace/Table.h"

#include <QDateTime>
#include <QFileInfo>

namespace orvanel::netd {

using namespace Qt::StringLiterals;

namespace {

const QString kStrictReason =
    u"unknown program refused (strict mode): put it in quarantine, or allow it in learning mode"_s;

QString now()
{
    return engines::Reports::dateTimeText(QDateTime::currentDateTime());
}

} // namespace

ProgramTables readProgramTables(const QString& workspaceDir)
{
    ProgramTables tables;
    Table rules;
    if (engines::readTableLocked(workspaceDir, TableId::Rules, rules))
        for (rules.first(); !rules.atEnd(); rules.next()) {
            const QString name = rules.value(u"Champ1");
            const bool allows = rules.value(u"Champ5") != QLatin1StringView(DecisionDeny);
            // Any refusing row of a name refuses it.
            tables.allowed[name] = tables.allowed.value(name, true) && allows;
        }
    Table quarantine;
    if (engines::readTableLocked(workspaceDir, TableId::Quarantine, quarantine))
        for (quarantine.first(); !quarantine.atEnd(); quarantine.next())
            tables.quarantined.insert(quarantine.value(u"Champ1").trimmed());
    return tables;
}

Decision decide(const QString& name, const ProgramTables& tables, char mode, bool learning)
{
    if (mode != '1' && mode != '3')
        return {};
    if (tables.quarantined.contains(name.trimmed()))
        return {Verdict::Deny, Record::Nothing};
    if (const auto rule = tables.allowed.constFind(name); rule != tables.allowed.cend())
        return {*rule ? Verdict::Allow : Verdict::Deny, Record::Nothing};
    if (learning && mode == '1')
        return {Verdict::Allow, Record::LearnedRule};
    return {Verdict::Deny, Record::StrictAlert};
}

bool recordLearnedRule(const QString& workspaceDir, const QString& path, QString* error)
{
    const QFileInfo program(path);
    const auto checksum = programChecksum(path);
    return engines::changeTableLocked(
        workspaceDir, TableId::Rules,
        [&](Table& table) {
            const int name = table.fieldIndexOf(u"Champ1");
            for (int row = 0; row < table.recordCount(); ++row)
                if (table.valueAt(row, name) == program.fileName())
                    return false;
            table.insert();
            table.setValue(u"Champ1", program.fileName());
            table.setValue(u"Champ2", now());
            table.setValue(u"Champ3", u"allowed (learning mode)"_s);
            table.setValue(u"Champ4", engines::Reports::dateTimeText(program.lastModified()));
            table.setValue(u"Champ5", QString::fromLatin1(DecisionAllow));
            table.setValue(u"Champ6", u"learning"_s);
            table.setValue(u"Champ8", path);
            table.setValue(u"Champ9", checksum ? QString::number(*checksum) : QString());
            table.post();
            return true;
        },
        error);
}

bool recordStrictAlert(const QString& workspaceDir, const QString& path, QString* error)
{
    BlockedAttempt attempt;
    attempt.program = QFileInfo(path).fileName();
    attempt.path = path;
    attempt.reason = kStrictReason;
    attempt.address = u"?"_s;
    attempt.direction = u"out"_s;
    return engines::changeTableLocked(
        workspaceDir, TableId::Alerts,
        [&](Table& table) { return mergeAttempts(table, {attempt}, now()), true; }, error);
}

} // namespace orvanel::netd
