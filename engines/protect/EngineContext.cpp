#include "protect/EngineContext.h"

#include "platform/linux/UserDirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <pwd.h>
#include <unistd.h>

namespace orvanel::engines {

using namespace Qt::StringLiterals;

namespace {

constexpr auto kSignatureFileName = "orvanel.hsb"_L1;

QString absoluteFromEnvironment(const char* name)
{
    const QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

QString homeFolder()
{
    QString home = absoluteFromEnvironment("HOME");
    if (home.isEmpty()) {
        if (const passwd* entry = getpwuid(geteuid()))
            home = QFile::decodeName(entry->pw_dir);
    }
    return QDir::cleanPath(home);
}

QString userDir(const EngineContext& context, QStringView key, const QString& fallback)
{
    QFile file(context.configHome + u"/user-dirs.dirs"_s);
    if (file.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromUtf8(file.read(64 * 1024));
        if (const auto folder = platform::userDirFromText(text, key, context.home))
            return *folder;
    }
    return context.home + fallback;
}

} // namespace

QString EngineContext::signatureFile() const
{
    return workspaceDir + kSignatureFileName;
}

QString EngineContext::databaseDir() const
{
    return dataHome + u"/orvanel/clamav"_s;
}

QString EngineContext::systemDatabaseDir() const
{
    // Tests and benchmarks point this at a folder of their own.
    const QString chosen = absoluteFromEnvironment("ORVANEL_CLAMAV_SYSTEM_DIR");
    return chosen.isEmpty() ? u"/var/lib/clamav"_s : chosen;
}

QString EngineContext::downloadsFolder() const
{
    return userDir(*this, u"XDG_DOWNLOAD_DIR", u"/Downloads"_s);
}

QString EngineContext::desktopFolder() const
{
    return userDir(*this, u"XDG_DESKTOP_DIR", u"/Desktop"_s);
}

QString EngineContext::autostartFolder() const
{
    return configHome + u"/autostart"_s;
}

QString EngineContext::userProgramsFolder() const
{
    return home + u"/.local/bin"_s;
}

std::optional<EngineContext> EngineContext::ofThisProcess()
{
    const QString program = QFileInfo(u"/proc/self/exe"_s).canonicalFilePath();
    if (program.isEmpty())
        return std::nullopt;
    EngineContext context;
    context.workspaceDir = QFileInfo(program).path() + u'/';
    context.home = homeFolder();
    if (context.home.isEmpty() || context.home == u"/"_s)
        return std::nullopt;
    context.configHome = absoluteFromEnvironment("XDG_CONFIG_HOME");
    if (context.configHome.isEmpty())
        context.configHome = context.home + u"/.config"_s;
    context.dataHome = absoluteFromEnvironment("XDG_DATA_HOME");
    if (context.dataHome.isEmpty())
        context.dataHome = context.home + u"/.local/share"_s;
    return context;
}

} // namespace orvanel::engines
