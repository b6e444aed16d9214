#pragma once

#include <QString>
#include <QStringList>

#include "platform/Trash.h"

namespace orvanel::platform {

// The per-user list of programs started with the session (the desktop's autostart
// folder). A value is one entry; its data is the command it runs.
class AutostartEntries
{
public:
    struct Value
    {
        enum class Kind { Missing, String, NotString };
        Kind kind = Kind::Missing;
        QString data; // the command, when kind is String
    };

    virtual ~AutostartEntries() = default;

    virtual QStringList valueNames() const = 0;
    virtual Value value(const QString& name) const = 0;
    // Writes the entry; false (with a reason in error) when it cannot be written.
    virtual bool setValue(const QString& name, const QString& data, QString* error) = 0;
    virtual bool removeValue(const QString& name) = 0;
    // Moves the entry to the user's trash, from where it can be brought back; false, with
    // the entry left in place, when that cannot be done.
    virtual bool moveValueToTrash(const QString& name, Trash& trash) = 0;
};

} // namespace orvanel::platform
