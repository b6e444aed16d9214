#include "platform/linux/LinuxUserEnvironment.h"

#include "platform/linux/ProcText.h"
#include "platform/linux/UserDirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <pwd.h>
#include <unistd.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace orvanel::platform {

namespace {

// The password database entry of the effective user, read into a buffer of our own
// (getpwuid's static record is shared with every other caller).
template <typename Take> QString fromPasswd(Take take)
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? std::size_t(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    return QFile::decodeName(take(*found));
}

QString defaultHome()
{
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty())
        return home;
    return fromPasswd([](const passwd& p) { return p.pw_dir; });
}

QString defaultConfigDir(const QString& home)
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!config.isEmpty() && QDir::isAbsolutePath(config))
        return config;
    return home + u"/.config"_s;
}

} // namespace

LinuxUserEnvironment::LinuxUserEnvironment(QString home, QString configDir)
    : m_home(home.isEmpty() ? defaultHome() : std::move(home)),
      m_configDir(configDir.isEmpty() ? defaultConfigDir(m_home) : std::move(configDir))
{
}

QString LinuxUserEnvironment::specialFolder(int csidl) const
{
    // Linux desktops keep no cookies folder (33); unknown numbers have no folder either.
    return csidl == DesktopFolder ? userDir(u"XDG_DESKTOP_DIR", u"Desktop"_s) : QString();
}

QString LinuxUserEnvironment::userDir(QStringView key, const QString& fallback) const
{
    QFile dirs(m_configDir + u"/user-dirs.dirs"_s);
    if (dirs.open(QIODevice::ReadOnly)) {
        const auto folder = userDirFromText(QString::fromUtf8(dirs.read(64 * 1024)), key, m_home);
        if (folder)
            return *folder;
    }
    return m_home + u'/' + fallback;
}

QString LinuxUserEnvironment::userName() const
{
    return fromPasswd([](const passwd& p) { return p.pw_name; });
}

QString LinuxUserEnvironment::downloadsFolder(const QString& workspaceDir) const
{
    const QString downloads = userDir(u"XDG_DOWNLOAD_DIR", u"Downloads"_s);
    if (QFileInfo(downloads).isDir())
        return downloads;
    // Else the root of the file system that holds the workspace: the mount point.
    QString path = QFileInfo(workspaceDir).canonicalFilePath();
    if (path.isEmpty())
        path = QDir::cleanPath(QDir(workspaceDir).absolutePath());
    QFile mounts(m_mountInfo);
    if (!mounts.open(QIODevice::ReadOnly))
        return u"/"_s;
    const QByteArray text = mounts.readAll();
    return mountPointHolding(std::string_view(text.constData(), std::size_t(text.size())), path);
}

} // namespace orvanel::platform
