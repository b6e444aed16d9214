#pragma once

#include "workspace/Table.h"

#include <QString>

#include <functional>
#include <vector>

namespace orvanel {

class EngineControl;

// The seven tables the panel shares with the engines.
enum class TableId { Rules, Alerts, Events, Quarantine, Languages, Sites, Configuration };

struct TableDefinition
{
    TableId id;
    const char* objectName; // the table object that holds it: "ClientDataSet1" …
    QString fileName;       // relative to the workspace directory
    std::vector<FieldDef> fields;
};

const TableDefinition& tableDefinition(TableId id);

// Defines the fields of `id` on `table` (clears earlier definitions).
void defineFields(Table& table, TableId id);

// How long a piece of work waits for a table that another process holds: the bounded
// file-free wait, or not at all (the work then fails at once and can be tried later).
enum class FreeWait { Bounded, None };

// Access to the table files of one workspace directory.
class TableFiles final
{
public:
    // engines sends the notifications a failure asks for; alertLevel tells at which
    // level they go out (it is read at the moment of the failure).
    TableFiles(QString workspaceDir, EngineControl& engines, std::function<int()> alertLevel);

    QString path(TableId id) const;

    // Writes the file anew with its fields and default content (one "FR" record for the
    // language table, one record of twelve "1" for the configuration table). A failed
    // configuration default sends the notification "erreur creation configuration".
    bool create(TableId id, QString* error = nullptr);

    // Start-up opening: a missing file is created; a file that cannot be opened is first
    // kept beside itself as <name>.bad (the newest kept) and then created anew. One that
    // is not a plain file at all (a named pipe, a link to a device, a folder) or is far
    // too long is also reported once (EngineControl::reportUnreadable). A held file is
    // left as it is and answers false.
    bool openWithRecreation(TableId id, QString* error = nullptr,
                            FreeWait wait = FreeWait::Bounded);

    // One piece of work on a table: file-free wait, open, work, close. When work answers
    // true the table is saved back to its file first. Answers false, with the reason,
    // when the wait gave up, the file could not be opened or the save failed.
    bool use(TableId id, const std::function<bool(Table&)>& work, QString* error = nullptr,
             FreeWait wait = FreeWait::Bounded);

    // Keeps the first of names that compare equal without regard to letter case.
    bool removeQuarantineDuplicates(QString* error = nullptr, FreeWait wait = FreeWait::Bounded);

    // One look, without waiting: whether another process holds the table's file now.
    bool isHeld(TableId id) const;

private:
    bool isFree(TableId id, FreeWait wait, QString* error) const;
    int alertLevel() const { return m_alertLevel ? m_alertLevel() : 1; }

    QString m_dir;
    EngineControl& m_engines;
    std::function<int()> m_alertLevel;
};

} // namespace orvanel
