#pragma once

#include "workspace/HeldFile.h"
#include "workspace/Table.h"
#include "workspace/TableFiles.h"

#include <QString>

#include <functional>

namespace orvanel::engines {

// One change of a table file by an engine: the file is held with flock(LOCK_EX) for the
// whole read, change and write, the lock the panel's file-free wait looks for, and is
// replaced atomically. `change` adds rows; it answers false when nothing is to be saved.
//
// A missing file is first created empty with its fields. A file that cannot be read as
// a table is left as it is (the panel sets it aside at its next start) and the change
// fails: an engine never replaces rows it could not read.
bool changeTableLocked(const QString& workspaceDir, TableId id,
                       const std::function<bool(Table&)>& change, QString* error = nullptr);

// The rows of a table file as they are now, read under a shared lock; false when the
// file is missing or unreadable.
bool readTableLocked(const QString& workspaceDir, TableId id, Table& table,
                     QString* error = nullptr);

} // namespace orvanel::engines
