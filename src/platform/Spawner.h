#pragma once

#include <QString>
#include <QStringList>

namespace orvanel::platform {

// Starts programs detached from the panel: own session, standard streams on /dev/null,
// no handle kept and nothing to reap. Arguments reach the program as they are; no shell
// ever sees them.
class Spawner
{
public:
    virtual ~Spawner() = default;

    // program is a full path. Answers whether the process was created.
    virtual bool spawn(const QString& program, const QStringList& arguments) = 0;
};

// Splits an engine's argument string the way the engines expect: at blanks, with double
// quotes grouping (the quotes themselves are dropped). "1 \"/a b\"" gives {"1", "/a b"}.
QStringList splitArgumentString(const QString& arguments);

} // namespace orvanel::platform
