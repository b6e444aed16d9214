#include "panel/UserWorkspace.h"

#include "workspace/Names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace orvanel::install {

namespace {

// A layout file is a few lines; anything longer is not one.
constexpr qint64 MaxLayoutBytes = 4096;
constexpr qint64 CopyChunkBytes = 64 * 1024;

QString withSlash(const QString& dir)
{
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

QString homeFolder()
{
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(home))
        return home;
    struct passwd entry = {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found)
        return QFile::decodeName(found->pw_dir);
    return {};
}

std::optional<struct stat> statOf(const QString& path, bool followLinks)
{
    struct stat info = {};
    const QByteArray name = QFile::encodeName(path);
    const int result =
        followLinks ? ::stat(name.constData(), &info) : ::lstat(name.constData(), &info);
    if (result != 0)
        return std::nullopt;
    return info;
}

// The nearest folder at or above `dir` that exists.
QString nearestExisting(const QString& dir)
{
    QString path = QDir::cleanPath(dir);
    while (!QFileInfo::exists(path) && path != u"/"_s)
        path = QFileInfo(path).path();
    return path;
}

bool isOwnFolder(const QString& dir)
{
    const auto info = statOf(dir, true);
    return info && S_ISDIR(info->st_mode) && info->st_uid == ::geteuid();
}

bool makeOwnFolder(const QString& dir, QString* error)
{
    const QString existing = nearestExisting(dir);
    if (!isOwnFolder(existing)) {
        *error = u"The workspace folder %1 cannot be used: %2 is not a folder of this user."_s.arg(
            dir, existing);
        return false;
    }
    const bool made = !QFileInfo::exists(dir);
    if (made && !QDir().mkpath(dir)) {
        *error = u"The workspace folder %1 cannot be created."_s.arg(dir);
        return false;
    }
    if (made)
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner);
    if (!isOwnFolder(dir)) {
        *error = u"The workspace folder %1 is not a folder of this user."_s.arg(dir);
        return false;
    }
    *error = workspaceRefusal(dir);
    return error->isEmpty();
}

struct ShippedFile
{
    QString source;
    bool program;
};

// The engine programs beside the panel and every regular file of the data folder.
std::vector<ShippedFile> shippedFiles(const Layout& layout)
{
    std::vector<ShippedFile> files;
    for (const QLatin1StringView engine : names::AllEngines)
        files.push_back({layout.programDir + engine, true});
    const QFileInfoList data = QDir(layout.dataDir).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& info : data)
        files.push_back({info.absoluteFilePath(), false});
    return files;
}

bool sameCopy(const struct stat& source, const QString& target)
{
    const auto copy = statOf(target, false);
    return copy && S_ISREG(copy->st_mode) && copy->st_size == source.st_size &&
           copy->st_mtim.tv_sec == source.st_mtim.tv_sec &&
           copy->st_mtim.tv_nsec == source.st_mtim.tv_nsec;
}

bool writeCopy(QFile& source, const QString& target, QString* error)
{
    // QSaveFile writes through a link; a link in the copy's place goes first.
    if (const auto old = statOf(target, false); old && S_ISLNK(old->st_mode))
        QFile::remove(target);
    QSaveFile copy(target);
    if (!copy.open(QIODevice::WriteOnly)) {
        *error = copy.errorString();
        return false;
    }
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(CopyChunkBytes);
        if (chunk.isEmpty() || copy.write(chunk) != chunk.size()) {
            // Without a commit the half-written copy is dropped and the old one stays.
            *error = chunk.isEmpty() ? source.errorString() : copy.errorString();
            return false;
        }
    }
    if (!copy.commit()) {
        *error = copy.errorString();
        return false;
    }
    return true;
}

bool copyShipped(const ShippedFile& file, const QString& workspaceDir, QString* error)
{
    const auto source = statOf(file.source, true);
    if (!source || !S_ISREG(source->st_mode)) {
        *error = u"The installed file %1 is missing."_s.arg(file.source);
        return false;
    }
    const QString target = workspaceDir + QFileInfo(file.source).fileName();
    if (sameCopy(*source, target))
        return true;
    QFile input(file.source);
    QString reason;
    if (!input.open(QIODevice::ReadOnly) || !writeCopy(input, target, &reason)) {
        *error = u"%1 cannot be copied into the workspace: %2"_s.arg(
            file.source, reason.isEmpty() ? input.errorString() : reason);
        return false;
    }
    const mode_t mode = file.program ? 0700 : 0600;
    const struct timespec times[2] = {source->st_atim, source->st_mtim};
    const QByteArray name = QFile::encodeName(target);
    if (::chmod(name.constData(), mode) != 0 ||
        ::utimensat(AT_FDCWD, name.constData(), times, 0) != 0) {
        *error = u"%1 cannot be set up in the workspace."_s.arg(target);
        return false;
    }
    return true;
}

} // namespace

QString workspaceRefusal(const QString& dir)
{
    // The folder the engines will run in: links resolved, as they see it.
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    const QString path = canonical.isEmpty() ? QDir::cleanPath(dir) : canonical;
    const auto info = statOf(path, false);
    QString why;
    if (!info || !S_ISDIR(info->st_mode))
        why = u"it is not a folder"_s;
    else if (info->st_uid != ::geteuid())
        why = u"it belongs to another user"_s;
    else if ((info->st_mode & (S_IWGRP | S_IWOTH)) != 0)
        why = u"other users can write in it and could replace the engine programs Orvanel "
              u"starts from there"_s;
    if (why.isEmpty())
        return {};
    return u"The workspace folder %1 cannot be used: %2."_s.arg(path, why);
}

std::optional<Layout> parseLayout(const QString& programDir, QStringView text, QString* error)
{
    QString launcher, data;
    for (QStringView line : text.split(u'\n')) {
        line = line.trimmed();
        const qsizetype equals = line.indexOf(u'=');
        if (line.startsWith(u'#') || equals <= 0)
            continue;
        const QStringView key = line.first(equals).trimmed();
        const QString value = line.sliced(equals + 1).trimmed().toString();
        if (value.isEmpty())
            continue;
        const QString path = QDir::cleanPath(QDir(programDir).absoluteFilePath(value));
        if (key == u"launcher" && launcher.isEmpty())
            launcher = path;
        else if (key == u"data" && data.isEmpty())
            data = withSlash(path);
    }
    if (launcher.isEmpty() || data.isEmpty()) {
        *error = u"The layout file of %1 names no %2."_s.arg(
            programDir, launcher.isEmpty() ? u"launcher"_s : u"data folder"_s);
        return std::nullopt;
    }
    return Layout{withSlash(programDir), data, launcher};
}

std::optional<Layout> readLayout(const QString& programDir, QString* error)
{
    QFile file(withSlash(programDir) + LayoutFileName);
    if (!file.exists())
        return std::nullopt;
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) {
        *error = u"The layout file %1 cannot be read."_s.arg(file.fileName());
        return std::nullopt;
    }
    const QString text = QString::fromUtf8(file.read(MaxLayoutBytes));
    auto layout = parseLayout(withSlash(programDir), text, error);
    if (layout && !QFileInfo(layout->dataDir).isDir()) {
        *error = u"The data folder %1 of the installed program is missing."_s.arg(layout->dataDir);
        return std::nullopt;
    }
    return layout;
}

QString workspaceDirOf(const QString& programFile)
{
    const QFileInfo info(programFile);
    const QString canonical = info.canonicalFilePath();
    const QString dir =
        QFileInfo(canonical.isEmpty() ? info.absoluteFilePath() : canonical).absolutePath();
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

QString userWorkspaceDir(const QString& xdgDataHome, const QString& home)
{
    // Relative XDG folders are invalid and are ignored, as the XDG rules ask.
    QString base = xdgDataHome;
    if (!QDir::isAbsolutePath(base))
        base = QDir::isAbsolutePath(home) ? home + u"/.local/share"_s : QString();
    if (base.isEmpty())
        return {};
    return withSlash(QDir::cleanPath(base + u'/' + WorkspaceFolderName));
}

bool prepareWorkspace(const Layout& layout, const QString& workspaceDir, QString* error)
{
    if (!makeOwnFolder(workspaceDir, error))
        return false;
    for (const ShippedFile& file : shippedFiles(layout)) {
        if (!copyShipped(file, withSlash(workspaceDir), error))
            return false;
    }
    return true;
}

Location locateWorkspace(const QString& programFile)
{
    const QString programDir = workspaceDirOf(programFile);
    QString error;
    const std::optional<Layout> layout = readLayout(programDir, &error);
    if (!error.isEmpty())
        return {{}, {}, error};
    if (!layout) {
        // The build tree: the folder of the program file, links resolved.
        error = workspaceRefusal(programDir);
        if (!error.isEmpty())
            return {{}, {}, error};
        return {programDir, programFile, {}};
    }
    const QString dir = userWorkspaceDir(qEnvironmentVariable("XDG_DATA_HOME"), homeFolder());
    if (dir.isEmpty())
        return {{}, {}, u"The workspace folder cannot be found: no home folder is known."_s};
    if (!prepareWorkspace(*layout, dir, &error))
        return {{}, {}, error};
    // The engines see the folder with links resolved, through their program's path.
    return {withSlash(QFileInfo(dir).canonicalFilePath()), layout->launcher, {}};
}

} // namespace orvanel::install
