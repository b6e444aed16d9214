#pragma once

#include <QLatin1StringView>
#include <QString>

#include <optional>

namespace orvanel::engines {

// Where an engine finds its files: the workspace directory (the folder of the engine
// program, shared with the panel), the user's home and data folders.
struct EngineContext
{
    QString workspaceDir; // with its trailing "/"
    QString home;         // without a trailing "/"
    QString configHome;   // $XDG_CONFIG_HOME, else <home>/.config
    QString dataHome;     // $XDG_DATA_HOME, else <home>/.local/share

    QString file(QLatin1StringView name) const { return workspaceDir + name; }

    // Our own signatures, installed beside the engine programs.
    QString signatureFile() const;
    // The user's database folder that majbase.exe keeps up to date.
    QString databaseDir() const;
    // ClamAV's system folder, kept fresh by the system's freshclam.
    QString systemDatabaseDir() const;

    // The XDG download and desktop folders (xdg-user-dirs), ~/Downloads and ~/Desktop
    // by default. They need not exist.
    QString downloadsFolder() const;
    QString desktopFolder() const;
    QString autostartFolder() const;
    QString userProgramsFolder() const;

    // The context of the running engine program, from /proc/self/exe and the environment.
    static std::optional<EngineContext> ofThisProcess();
};

} // namespace orvanel::engines
