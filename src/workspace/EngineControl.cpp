#include "workspace/EngineControl.h"

#include "workspace/Names.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <thread>

namespace orvanel {

using namespace Qt::StringLiterals;

namespace {

// The pause between two looks at a held file: short enough not to hold up the user
// noticeably, long enough not to spin while an engine works on the file.
constexpr std::chrono::milliseconds kFreeWaitPause{25};

bool isProgramFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

// A file's path with links resolved, as /proc/PID/exe gives it; the path as written when
// the file is gone (a process may still run a deleted program).
QString resolvedPath(const QString& file)
{
    const QString canonical = QFileInfo(file).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(file) : canonical;
}

} // namespace

EngineControl::EngineControl(QString workspaceDir, platform::ProcessTable& processes,
                             platform::Spawner& spawner, platform::ExclusiveOpenProbe& probe)
    : m_dir(std::move(workspaceDir)), m_processes(processes), m_spawner(spawner), m_probe(probe)
{
}

bool EngineControl::start(const QString& name, const QString& arguments)
{
    return start(name, platform::splitArgumentString(arguments));
}

bool EngineControl::start(const QString& name, const QStringList& arguments)
{
    return m_spawner.spawn(m_dir + name, arguments);
}

bool EngineControl::launch(const QString& commandLine)
{
    QStringList words = platform::splitArgumentString(commandLine);
    if (words.isEmpty())
        return false;
    const QString command = words.takeFirst();
    QString program;
    if (QFileInfo(command).isAbsolute())
        program = command;
    else if (isProgramFile(m_dir + command))
        program = m_dir + command;
    else
        program = QStandardPaths::findExecutable(command);
    if (program.isEmpty() || !isProgramFile(program))
        return false;
    return m_spawner.spawn(program, words);
}

bool EngineControl::isRunning(const QString& name) const
{
    return m_processes.isRunning(name);
}

bool EngineControl::stop(const QString& name)
{
    return stop(QStringList{name});
}

bool EngineControl::stop(const QStringList& names)
{
    return stopWhere(names, [](qint64) { return true; });
}

bool EngineControl::stopQuarantined(const QString& name, const QStringList& detectedFiles)
{
    QStringList files;
    for (const QString& file : detectedFiles)
        files.append(resolvedPath(file));
    return stopWhere({name}, [&](qint64 pid) {
        const QString program = m_processes.programPath(pid);
        if (program.isEmpty() || isSystemProgramPath(program))
            return false;
        return files.isEmpty() || files.contains(program);
    });
}

template <typename Wanted> bool EngineControl::stopWhere(const QStringList& names, Wanted&& wanted)
{
    // One walk of the process list serves every name: the engines are still ended name
    // after name, in the order given.
    const std::vector<platform::ProcessInfo> processes = m_processes.snapshot();
    const qint64 own = QCoreApplication::applicationPid();
    bool ended = false;
    for (const QString& name : names) {
        for (const platform::ProcessInfo& process : processes) {
            if (process.pid == own || process.name.compare(name, Qt::CaseInsensitive) != 0 ||
                !m_processes.isOwn(process.pid) || !wanted(process.pid))
                continue;
            // Refusals (one that is already gone) are passed over so that every other
            // instance still ends.
            if (m_processes.terminate(process.pid))
                ended = true;
        }
    }
    return ended;
}

bool isSystemProgramPath(const QString& program)
{
    static const QStringList systemFolders = {
        u"/usr/"_s,  u"/bin/"_s, u"/sbin/"_s,           u"/opt/"_s,
        u"/snap/"_s, u"/app/"_s, u"/var/lib/flatpak/"_s};
    const QString path = QDir::cleanPath(program);
    for (const QString& folder : systemFolders)
        if (path.startsWith(folder))
            return true;
    // /lib, /lib32, /lib64, /libx32 …
    const qsizetype slash = path.indexOf(u'/', 1);
    if (path.startsWith(u"/lib"_s) && slash > 0)
        return true;
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + u"/.local/share"_s;
    return path.startsWith(QDir::cleanPath(dataHome) + u"/flatpak/"_s);
}

ProcessSnapshot EngineControl::snapshot() const
{
    ProcessSnapshot result;
    for (const platform::ProcessInfo& process : m_processes.snapshot()) {
        result.names.append(process.name);
        result.ids.append(QString::number(process.pid));
    }
    return result;
}

void EngineControl::notify(const QString& text, int alertLevel)
{
    if (alertLevel <= 1)
        return;
    QString message = text;
    message.replace(u' ', u';');
    // One argument, as it is: the message may hold quotes (a program name, a text
    // from the language file) that must not split it.
    start(QString(names::NotifierProgram), QStringList{message});
}

bool EngineControl::isHeld(const QString& name) const
{
    return m_probe.isBusy(m_dir + name);
}

void EngineControl::reportUnreadable(const QString& name, const QString& reason, int alertLevel)
{
    if (m_reported.contains(name))
        return;
    m_reported.insert(name);
    qWarning().noquote() << reason;
    notify(u"erreur fichier "_s + name, alertLevel);
}

bool EngineControl::waitUntilFree(const QString& name) const
{
    const QString path = m_dir + name;
    const auto deadline = std::chrono::steady_clock::now() + m_waitBound;
    while (m_probe.isBusy(path)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kFreeWaitPause);
    }
    return true;
}

} // namespace orvanel
