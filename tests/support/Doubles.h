#pragma once

// Test doubles of the platform services: in-memory, scripted and recording stand-ins.

#include "platform/Services.h"
#include "platform/linux/ProgramLookup.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace orvanel::testing {

// A process list held in memory. Spawned programs can be added to it by the
// RecordingSpawner, so that the panel's running tests see them.
// A process list of made-up processes. A process added without a program path runs
// /home/user/programs/<name>; one added as another user's is never the user's own.
class FakeProcessTable final : public platform::ProcessTable
{
public:
    enum class Owner { User, Other };

    qint64 add(const QString& name, Owner owner = Owner::User, QString programPath = {});
    int count(const QString& name) const;
    std::vector<QString> terminated; // names in the order they were ended

    std::vector<platform::ProcessInfo> snapshot() const override;
    bool isRunning(QStringView name) const override;
    bool isOwn(qint64 pid) const override;
    QString programPath(qint64 pid) const override;
    bool terminate(qint64 pid) override;
    std::optional<qint64> residentBytes(qint64 pid) const override;

    mutable int snapshots = 0; // snapshot and isRunning calls

private:
    struct Fake
    {
        platform::ProcessInfo info;
        Owner owner;
        QString program;
    };
    const Fake* find(qint64 pid) const;

    std::vector<Fake> m_processes;
    qint64 m_nextPid = 1000;
};

// Records every spawn; when given a FakeProcessTable the spawned program appears in it.
class RecordingSpawner final : public platform::Spawner
{
public:
    struct Call
    {
        QString program; // full path as given
        QString name;    // file name of the program
        QStringList arguments;
    };

    explicit RecordingSpawner(FakeProcessTable* processes = nullptr) : m_processes(processes) {}

    bool spawn(const QString& program, const QStringList& arguments) override;
    QStringList names() const; // file names of the spawned programs, in order
    int count(const QString& name) const;

    std::vector<Call> calls;
    bool fail = false;

private:
    FakeProcessTable* m_processes;
};

// Answers questions from a script (Yes when the script is empty unless defaultAnswer
// says otherwise) and records what was asked.
class ScriptedPrompt final : public platform::Prompt
{
public:
    bool askYesNo(const QString& text) override;
    void showError(const QString& text) override;
    void showInformation(const QString& text) override { notices.append(text); }

    std::deque<bool> answers;
    bool defaultAnswer = false;
    QStringList questions;
    QStringList errors;
    QStringList notices;
    // Runs while an error box would be on the screen.
    std::function<void()> whileErrorShown;
    // Runs while a question would wait for its answer.
    std::function<void()> whileAsked;
};

// A clock that shows what the test sets.
class ScriptedClock final : public platform::Clock
{
public:
    QDateTime now() const override { return current; }
    QString longTimeText() const override
    {
        return text.isEmpty() ? current.toString(QStringLiteral("HH:mm:ss")) : text;
    }

    QDateTime current = QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0));
    QString text; // when set, the long time text shown instead of current's
};

class InMemoryAutostart final : public platform::AutostartEntries
{
public:
    QStringList valueNames() const override { return values.keys(); }
    Value value(const QString& name) const override;
    bool setValue(const QString& name, const QString& data, QString* error) override;
    bool removeValue(const QString& name) override;
    // Records the name and drops the value, as the trash would take its file away.
    bool moveValueToTrash(const QString& name, platform::Trash& trash) override;

    QMap<QString, Value> values;
    QStringList trashed;
    int writes = 0;
    bool failWrites = false;
};

class FixedHostLookup final : public platform::HostLookup
{
public:
    platform::HostLookupResult lookup() const override
    {
        ++calls;
        return result;
    }
    platform::HostLookupResult result{
        true, QStringLiteral("testhost"), QStringLiteral("192.0.2.10"), {}};
    mutable int calls = 0;
};

class FixedMemoryStatus final : public platform::MemoryStatus
{
public:
    platform::MemorySnapshot read() const override { return snapshot; }
    platform::MemorySnapshot snapshot;
};

class FakeUserEnvironment final : public platform::UserEnvironment
{
public:
    QString specialFolder(int csidl) const override
    {
        return csidl == DesktopFolder ? desktop : QString();
    }
    QString userName() const override { return user; }
    QString downloadsFolder(const QString&) const override { return downloads; }
    QString homeFolder() const override { return home; }

    QString home;
    QString desktop;
    QString downloads;
    QString user = QStringLiteral("tester");
};

class RecordingUrlOpener final : public platform::UrlOpener
{
public:
    int open(const QString& target) override
    {
        opened.append(target);
        return result;
    }
    QStringList opened;
    int result = Success;
};

class FixedTray final : public platform::SystemTray
{
public:
    bool isAvailable() const override { return available; }
    bool available = true;
};

// Counts how often the trash was emptied.
class RecordingTrash final : public platform::Trash
{
public:
    bool empty() override
    {
        ++empties;
        return true;
    }
    // Records the path; the file stays where it is.
    bool moveToTrash(const QString& path) override
    {
        moved.append(path);
        return true;
    }
    int empties = 0;
    QStringList moved;
};

class NeverBusyProbe final : public platform::ExclusiveOpenProbe
{
public:
    bool isBusy(const QString&) const override { return false; }
};

// Volumes held in memory: the listed mount points, the ones whose volume information
// fails, and the answer of every root listing, which is recorded.
class FakeVolumes final : public platform::Volumes
{
public:
    QStringList mountPoints() const override { return points; }
    bool isReady(const QString& mountPoint) const override
    {
        return !notReady.contains(mountPoint);
    }
    int listRoot(const QString& mountPoint) override
    {
        listed.append(mountPoint);
        return listResult;
    }

    QStringList points;
    QStringList notReady;
    QStringList listed;
    int listResult = Success;
};

// A mount watcher the test drives: arrive() reports a mount as the system would.
class FakeMountWatcher final : public platform::MountWatcher
{
public:
    void setArrivalHandler(ArrivalHandler h) override { handler = std::move(h); }
    void arrive(const QString& mountPoint, int flags = 0,
                const QString& fileSystem = QStringLiteral("vfat"))
    {
        if (handler)
            handler({mountPoint, fileSystem, flags});
    }

    ArrivalHandler handler;
};

// Holds the files named in `busy` (full paths) as an engine would; every other is free.
class ScriptedProbe final : public platform::ExclusiveOpenProbe
{
public:
    bool isBusy(const QString& path) const override { return busy.contains(path); }
    QStringList busy;
};

// A full set of doubles, wired into Services. Real implementations can be swapped in
// field by field.
struct FakePlatform
{
    FakeProcessTable processes;
    RecordingSpawner spawner{&processes};
    ScriptedProbe probe;
    InMemoryAutostart autostart;
    FixedHostLookup hostLookup;
    FixedMemoryStatus memory;
    FakeUserEnvironment user;
    RecordingUrlOpener urls;
    ScriptedPrompt prompt;
    ScriptedClock clock;
    FixedTray tray;
    RecordingTrash trash;
    FakeVolumes volumes;
    FakeMountWatcher mountWatcher;
    // Real: tests point its search path at folders of their own.
    platform::PathProgramCheck programs;

    platform::Services services();
};

} // namespace orvanel::testing
