#pragma once

#include "platform/ExclusiveOpenProbe.h"
#include "platform/ProcessTable.h"
#include "platform/Spawner.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>

namespace orvanel {

// The process snapshot the scheduler keeps: executable names and, at the same
// positions, the process ids as decimal text.
struct ProcessSnapshot
{
    QStringList names;
    QStringList ids;
};

// The panel's process and file helpers: engines are started from the workspace
// directory, tested and ended by executable name.
class EngineControl final
{
public:
    EngineControl(QString workspaceDir, platform::ProcessTable& processes,
                  platform::Spawner& spawner, platform::ExclusiveOpenProbe& probe);

    const QString& workspaceDir() const { return m_dir; }

    // Engine start: the workspace's program `name` with the argument string split into
    // arguments (blanks, double quotes grouping). Nothing is reported when it is missing.
    bool start(const QString& name, const QString& arguments = QString());
    // Engine start with the arguments already separated: each reaches the program as
    // it is, blanks and quotes included.
    bool start(const QString& name, const QStringList& arguments);

    // Command-line launch: "scanwapper.exe 0". The first word is looked up in the
    // workspace directory first, then in PATH.
    bool launch(const QString& commandLine);

    // Running test: whether a process of the user's own with this executable name runs
    // (letter case ignored).
    bool isRunning(const QString& name) const;
    // Whether the process of this id runs as the user (see ProcessTable::isOwn).
    bool isOwnProcess(qint64 pid) const { return m_processes.isOwn(pid); }

    // Engine stop: ends every process of the user's own of this name; true when one was
    // ended. Never ends the panel itself nor another user's process.
    bool stop(const QString& name);
    // Engine stop of several names in turn, over one snapshot of the process list.
    bool stop(const QStringList& names);

    // Quarantine stop: like the engine stop, but a quarantined name is a name somebody
    // else chose (a detected file's name), so a program of the system's folders is never
    // ended, and when the detections name the files (detectedFiles not empty) only
    // processes that run one of those very files are.
    bool stopQuarantined(const QString& name, const QStringList& detectedFiles);

    // Every process of every user; running tests over it must ask isOwnProcess.
    ProcessSnapshot snapshot() const;

    // Notification: blanks become ";" and msgs.exe gets the text, only above level 1.
    void notify(const QString& text, int alertLevel);

    // File-free wait on a workspace file (name relative to the workspace directory):
    // answers true as soon as no other process holds the file (at once for a missing
    // file); pauses briefly between attempts and gives up with false after the bound.
    bool waitUntilFree(const QString& name) const;
    // One exclusive-open test of a workspace file, without waiting: true when no other
    // process holds it (or it is missing).
    bool isFree(const QString& name) const { return !m_probe.isBusy(m_dir + name); }
    void setFreeWaitBound(std::chrono::milliseconds bound) { m_waitBound = bound; }
    std::chrono::milliseconds freeWaitBound() const { return m_waitBound; }
    // One look, without waiting: whether another process holds the file now.
    bool isHeld(const QString& name) const;

    // Tells the user, once per run and file, that a workspace file is not something the
    // panel can read (a named pipe, a device, a folder, a file far too long): the
    // notification "erreur fichier NAME" and a line with the reason on standard error.
    void reportUnreadable(const QString& name, const QString& reason, int alertLevel);

    platform::ProcessTable& processes() const { return m_processes; }

private:
    template <typename Wanted> bool stopWhere(const QStringList& names, Wanted&& wanted);

    QString m_dir;
    platform::ProcessTable& m_processes;
    platform::Spawner& m_spawner;
    platform::ExclusiveOpenProbe& m_probe;
    std::chrono::milliseconds m_waitBound{10000};
    QSet<QString> m_reported;
};

// Whether a program file lies in a folder of the system's or of installed software:
// /usr, /bin, /sbin, /lib*, /opt, /snap, /app and the flatpak folders (the system's and
// the user's $XDG_DATA_HOME/flatpak). The path is the resolved path of /proc/PID/exe.
bool isSystemProgramPath(const QString& program);

} // namespace orvanel
