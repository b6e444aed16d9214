#pragma once

#include "platform/ProgramCheck.h"
#include "platform/linux/DesktopEntry.h"

#include <QString>
#include <QStringList>

namespace orvanel::platform {

// The folders of $PATH, in order.
QStringList searchPathFolders();

// A program as a desktop or a session starts it: a path when it holds a "/" (only an
// absolute one can be looked at), else a bare name found through searchPath.
Presence programPresence(const QString& program, const QStringList& searchPath);

// The program of a start-up command line: the whole line when it is an existing absolute
// path (a path with blanks written without quotes), else its first argument, blanks
// separating and double quotes grouping.
Presence commandProgramPresence(const QString& commandLine, const QStringList& searchPath);

// Whether a desktop shortcut leads nowhere: an application whose TryExec or Exec program
// is missing, or that has nothing to start; a link to a local file that is missing.
// Web links, folders and files that are no desktop entry lead somewhere as far as we can
// tell.
bool shortcutLeadsNowhere(const DesktopEntryKeys& entry, const QStringList& searchPath);

// The program check of a session: bare names are looked for in `searchPath` ($PATH
// unless set).
class PathProgramCheck final : public ProgramCheck
{
public:
    PathProgramCheck() : m_searchPath(searchPathFolders()) {}

    void setSearchPath(QStringList folders) { m_searchPath = std::move(folders); }

    Presence commandPresence(const QString& commandLine) const override
    {
        return commandProgramPresence(commandLine, m_searchPath);
    }
    bool shortcutLeadsNowhere(const QString& entryText) const override
    {
        return platform::shortcutLeadsNowhere(parseDesktopEntry(entryText), m_searchPath);
    }

private:
    QStringList m_searchPath;
};

} // namespace orvanel::platform
