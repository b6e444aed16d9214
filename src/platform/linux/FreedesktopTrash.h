#pragma once

#include "platform/Trash.h"

#include <QString>
#include <QStringList>

#include <string_view>

#include <sys/types.h>

namespace orvanel::platform {

// The freedesktop trash of the user: the home trash $XDG_DATA_HOME/Trash and, on every
// mounted volume, $top/.Trash/<uid> and $top/.Trash-<uid>. Emptying one deletes what lies
// in its files/, info/ and expunged/ folders (the folders themselves stay) and its size
// cache. A trash folder that is a symbolic link, or one on a volume that the user does not
// own, is not the user's trash and is left alone.
class FreedesktopTrash final : public Trash
{
public:
    // dataHome empty: $XDG_DATA_HOME when absolute, else ~/.local/share.
    explicit FreedesktopTrash(QString dataHome = {},
                              QString mountInfoPath = QStringLiteral("/proc/self/mountinfo"),
                              uid_t uid = static_cast<uid_t>(-1));

    bool empty() override;
    // Into the home trash when the file lies on its volume, else into $top/.Trash-<uid> of
    // the file's volume (made when missing): files/<name> and info/<name>.trashinfo, the
    // name made unique; the file is renamed, never copied.
    bool moveToTrash(const QString& path) override;

    // The trash folders that exist and pass the checks above, home trash first.
    QStringList trashFolders() const;

private:
    // Moves path into the trash folder trash; infoPath is what its Path= key records.
    bool moveInto(const QString& trash, const QString& path, const QString& infoPath) const;

    QString m_dataHome;
    QString m_mountInfo;
    uid_t m_uid;
};

// The mount points of a mountinfo text, in its order, without pseudo file systems
// (proc, sysfs, cgroups, devices, tmpfs, autofs and the like), which hold no trash.
QStringList volumeMountPoints(std::string_view mountinfoText);

} // namespace orvanel::platform
