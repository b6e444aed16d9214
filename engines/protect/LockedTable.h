#pragma once

#include "workspace/Table.h"
#include "workspace/TableFiles.h"

#include <QString>

#include <functional>

namespace orvanel::engines {

// flock on the file that is now at `path`, the lock the panel's file-free wait looks
// for. When the file is replaced between the open and the lock (engines write whole files
// and rename them into place), the new file is opened and locked instead. A missing file
// is created empty when `create` is set. Gives up after ten seconds.
class HeldFile final
{
public:
    enum class Mode { Shared, Exclusive };
    HeldFile(const QString& path, Mode mode, bool create);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    bool isHeld() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    const QString& error() const { return m_error; }

private:
    int m_fd = -1;
    QString m_error;
};

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
