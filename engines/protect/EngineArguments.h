#pragma once

// How the engines of this program understand the argument strings the panel gives them.
// The panel splits its string at blanks (double quotes group), so a path with blanks
// arrives as several words and is joined again here.

#include <QString>
#include <QStringList>

#include <optional>

namespace orvanel::engines {

// scanwapper.exe: "0" quick scan, "1" full scan, "2" memory scan, "3 <mount point>" the
// volume mounted there. Nothing for any other request, or a mount point that is no
// absolute path.
struct ScanArguments
{
    enum class Kind { Quick, Full, Memory, Volume };
    Kind kind = Kind::Quick;
    QString mountPoint; // for a volume scan
};
std::optional<ScanArguments> scanArgumentsOf(const QStringList& args);

// scandisk.exe: "1 <folder>" records the files of a folder, "2" lists the copies of them
// found elsewhere, "0" forgets the record; anything else does nothing.
struct CopySearchStep
{
    enum class Kind { Nothing, Forget, Record, List };
    Kind kind = Kind::Nothing;
    QString folder; // for a record
};
CopySearchStep copySearchStepOf(const QStringList& args);

} // namespace orvanel::engines
