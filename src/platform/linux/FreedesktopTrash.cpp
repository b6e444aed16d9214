#include "platform/linux/FreedesktopTrash.h"

#include "platform/linux/ProcText.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string_view>

using namespace Qt::StringLiterals;

namespace orvanel::platform {

namespace {

constexpr std::array<std::string_view, 22> kPseudoFileSystems = {
    "proc",     "sysfs",  "cgroup",     "cgroup2", "devtmpfs",  "devpts",
    "tmpfs",    "autofs", "mqueue",     "debugfs", "tracefs",   "securityfs",
    "pstore",   "bpf",    "configfs",   "fusectl", "hugetlbfs", "binfmt_misc",
    "efivarfs", "nsfs",   "rpc_pipefs", "ramfs"};

QString defaultDataHome()
{
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!data.isEmpty() && QDir::isAbsolutePath(data))
        return data;
    return QDir::homePath() + u"/.local/share"_s;
}

// lstat of a path: a real folder (not a link), with its owner and mode.
bool realFolder(const QString& path, struct stat* info)
{
    return ::lstat(QFile::encodeName(path).constData(), info) == 0 && S_ISDIR(info->st_mode);
}

bool ownedFolder(const QString& path, uid_t uid)
{
    struct stat info
    {
    };
    return realFolder(path, &info) && info.st_uid == uid;
}

// Deletes everything inside folder, never following a link out of it.
bool emptyFolder(const QString& folder)
{
    struct stat info
    {
    };
    if (!realFolder(folder, &info))
        return true; // nothing of the trash there
    bool ok = true;
    const QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            ok = QDir(entry.filePath()).removeRecursively() && ok;
        else
            ok = QFile::remove(entry.filePath()) && ok;
    }
    return ok;
}

bool emptyTrashFolder(const QString& trash)
{
    bool ok = true;
    for (const QString& part : {u"files"_s, u"info"_s, u"expunged"_s})
        ok = emptyFolder(trash + u'/' + part) && ok;
    const QString sizes = trash + u"/directorysizes"_s;
    if (QFileInfo(sizes).isFile() && !QFileInfo(sizes).isSymLink())
        ok = QFile::remove(sizes) && ok;
    return ok;
}

} // namespace

QStringList volumeMountPoints(std::string_view mountinfoText)
{
    QStringList points;
    forEachMount(mountinfoText, [&points](const MountLine& mount) {
        if (!mount.fileSystem || std::find(kPseudoFileSystems.begin(), kPseudoFileSystems.end(),
                                           *mount.fileSystem) != kPseudoFileSystems.end())
            return;
        if (mount.mountPoint.startsWith(u'/') && !points.contains(mount.mountPoint))
            points.append(mount.mountPoint);
    });
    return points;
}

FreedesktopTrash::FreedesktopTrash(QString dataHome, QString mountInfoPath, uid_t uid)
    : m_dataHome(dataHome.isEmpty() ? defaultDataHome() : std::move(dataHome)),
      m_mountInfo(std::move(mountInfoPath)),
      m_uid(uid == static_cast<uid_t>(-1) ? ::geteuid() : uid)
{
}

QStringList FreedesktopTrash::trashFolders() const
{
    QStringList folders;
    const QString home = m_dataHome + u"/Trash"_s;
    if (ownedFolder(home, m_uid))
        folders.append(home);
    QFile mounts(m_mountInfo);
    if (!mounts.open(QIODevice::ReadOnly))
        return folders;
    const QByteArray text = mounts.read(4 * 1024 * 1024);
    const QString uid = QString::number(m_uid);
    for (const QString& point :
         volumeMountPoints(std::string_view(text.constData(), std::size_t(text.size())))) {
        const QString top = point == u"/"_s ? QString() : point;
        // The shared trash of the volume must be a real, sticky folder.
        struct stat shared
        {
        };
        const QString sharedTrash = top + u"/.Trash"_s;
        if (realFolder(sharedTrash, &shared) && (shared.st_mode & S_ISVTX) &&
            ownedFolder(sharedTrash + u'/' + uid, m_uid))
            folders.append(sharedTrash + u'/' + uid);
        const QString own = top + u"/.Trash-"_s + uid;
        if (ownedFolder(own, m_uid) && !folders.contains(own))
            folders.append(own);
    }
    folders.removeDuplicates();
    return folders;
}

bool FreedesktopTrash::empty()
{
    bool ok = true;
    for (const QString& trash : trashFolders())
        ok = emptyTrashFolder(trash) && ok;
    return ok;
}

} // namespace orvanel::platform
