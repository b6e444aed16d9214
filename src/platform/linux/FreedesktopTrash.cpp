#include "platform/linux/FreedesktopTrash.h"

#include "platform/linux/ProcText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <fcntl.h>
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

// Makes the folder (mode 0700) when missing; true when it then is a real folder of uid
// that nobody else can write.
bool madeOwnFolder(const QString& path, uid_t uid)
{
    ::mkdir(QFile::encodeName(path).constData(), 0700);
    struct stat info
    {
    };
    return realFolder(path, &info) && info.st_uid == uid && (info.st_mode & 022) == 0;
}

// The trash info file, made anew (never written through a link); false when the name is
// taken or the file cannot be written.
bool writeTrashInfo(const QString& file, const QString& infoPath)
{
    const QByteArray text =
        "[Trash Info]\nPath=" + QUrl::toPercentEncoding(infoPath, "/") + "\nDeletionDate=" +
        QDateTime::currentDateTime().toString(u"yyyy-MM-ddTHH:mm:ss"_s).toUtf8() + '\n';
    const int fd = ::open(QFile::encodeName(file).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, text.constData(), std::size_t(text.size())) == text.size();
    if (::close(fd) != 0 || !written) {
        QFile::remove(file);
        return false;
    }
    return true;
}

} // namespace

bool FreedesktopTrash::moveInto(const QString& trash, const QString& path,
                                const QString& infoPath) const
{
    if (!madeOwnFolder(trash, m_uid) || !madeOwnFolder(trash + u"/files"_s, m_uid) ||
        !madeOwnFolder(trash + u"/info"_s, m_uid))
        return false;
    const QString base = QFileInfo(path).fileName();
    for (int n = 1; n <= 1000; ++n) {
        const QString name = n == 1 ? base : base + u'.' + QString::number(n);
        const QString info = trash + u"/info/"_s + name + u".trashinfo"_s;
        const QString target = trash + u"/files/"_s + name;
        struct stat taken
        {
        };
        if (::lstat(QFile::encodeName(target).constData(), &taken) == 0 ||
            !writeTrashInfo(info, infoPath))
            continue;
        if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) ==
            0)
            return true;
        QFile::remove(info);
        return false;
    }
    return false;
}

bool FreedesktopTrash::moveToTrash(const QString& path)
{
    const QFileInfo file(path);
    const QString folder = file.absoluteDir().canonicalPath();
    if (folder.isEmpty() || file.fileName().isEmpty())
        return false;
    const QString absolute = folder + u'/' + file.fileName();
    QDir().mkpath(m_dataHome);
    if (moveInto(m_dataHome + u"/Trash"_s, absolute, absolute))
        return true;
    // Another volume: its own trash, which records the path from the volume's top.
    QFile mounts(m_mountInfo);
    if (!mounts.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = mounts.read(4 * 1024 * 1024);
    const QString top =
        mountPointHolding(std::string_view(text.constData(), std::size_t(text.size())), folder);
    const QString trash =
        (top == u"/"_s ? QString() : top) + u"/.Trash-"_s + QString::number(m_uid);
    return moveInto(trash, absolute, absolute.mid(top == u"/"_s ? 1 : top.size() + 1));
}

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
