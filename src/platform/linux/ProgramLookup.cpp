#include "platform/linux/ProgramLookup.h"

#include "platform/Spawner.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include <sys/stat.h>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace orvanel::platform {

namespace {

// stat of an absolute path: Missing only for "no such file" answers.
Presence pathPresence(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) == 0)
        return Presence::Present;
    return errno == ENOENT || errno == ENOTDIR ? Presence::Missing : Presence::Unknown;
}

} // namespace

QStringList searchPathFolders()
{
    return qEnvironmentVariable("PATH").split(u':');
}

Presence programPresence(const QString& program, const QStringList& searchPath)
{
    if (program.isEmpty() || program.contains(QChar(0)))
        return Presence::Unknown;
    if (program.contains(u'/'))
        return QDir::isAbsolutePath(program) ? pathPresence(program) : Presence::Unknown;
    bool lookedEverywhere = !searchPath.isEmpty();
    for (const QString& folder : searchPath) {
        // An empty or relative PATH entry means a folder we cannot name here.
        if (!QDir::isAbsolutePath(folder)) {
            lookedEverywhere = false;
            continue;
        }
        const Presence here = pathPresence(folder + u'/' + program);
        if (here == Presence::Present)
            return Presence::Present;
        lookedEverywhere = lookedEverywhere && here == Presence::Missing;
    }
    return lookedEverywhere ? Presence::Missing : Presence::Unknown;
}

Presence commandProgramPresence(const QString& commandLine, const QStringList& searchPath)
{
    if (QDir::isAbsolutePath(commandLine) && pathPresence(commandLine) == Presence::Present)
        return Presence::Present;
    const QStringList words = splitArgumentString(commandLine);
    if (words.isEmpty())
        return Presence::Unknown;
    return programPresence(words.front(), searchPath);
}

bool shortcutLeadsNowhere(const DesktopEntryKeys& entry, const QStringList& searchPath)
{
    if (!entry.hasMainGroup || !entry.type)
        return false;
    if (*entry.type == u"Application"_s) {
        if (entry.tryExec &&
            programPresence(unescapeValue(*entry.tryExec), searchPath) == Presence::Missing)
            return true;
        if (!entry.exec)
            return true;
        const auto args = splitExec(unescapeValue(*entry.exec));
        if (!args || args->isEmpty())
            return true; // nothing a desktop could start
        return programPresence(args->front(), searchPath) == Presence::Missing;
    }
    if (*entry.type == u"Link"_s) {
        if (!entry.url)
            return true;
        const QString url = unescapeValue(*entry.url);
        QString path;
        if (url.startsWith(u'/'))
            path = url;
        else if (url.startsWith(u"file:"_s))
            path = QUrl(url).toLocalFile();
        else
            return false; // a web address: not ours to judge
        return !path.isEmpty() && pathPresence(path) == Presence::Missing;
    }
    return false;
}

} // namespace orvanel::platform
