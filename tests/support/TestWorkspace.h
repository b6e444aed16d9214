#pragma once

#include "platform/ProcessTable.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>

namespace orvanel::testing {

// A temporary workspace directory. Engines installed in it are copies of the test
// engine under the engines' names; every process started from it is ended when the
// workspace goes away, and no other process is ever touched.
class TestWorkspace final
{
public:
    TestWorkspace();
    ~TestWorkspace();
    TestWorkspace(const TestWorkspace&) = delete;
    TestWorkspace& operator=(const TestWorkspace&) = delete;

    // The directory, with its trailing "/".
    QString dir() const;
    QString path(const QString& name) const;

    // Copies the test engine in under each name ("tempsreel.exe" …).
    void installEngines(const QStringList& names);
    // Every engine name the panel knows.
    void installAllEngines();
    // Copies the shipped language and link files in.
    void installData();

    void write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;
    bool exists(const QString& name) const;

    // The argument lines the engine `name` recorded, one per start (arguments joined by
    // tabs). Waits up to `timeout` for at least `atLeast` lines to appear.
    QStringList starts(const QString& name, int atLeast = 0,
                       std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

    // Processes whose program lies in this workspace.
    QList<qint64> ownProcesses() const;
    int running(const QString& name) const;
    // Waits until exactly `count` processes named `name` from this workspace run.
    bool waitRunning(const QString& name, int count,
                     std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // Starts the engine `name` of this workspace directly (outside the panel).
    qint64 startEngine(const QString& name, const QStringList& arguments = {}) const;
    void endAll() const;

private:
    QTemporaryDir m_dir;
};

// A process table that sees only the processes started from one directory, so that
// tests that end engines by name never end anything of the machine's own.
class ScopedProcessTable final : public platform::ProcessTable
{
public:
    ScopedProcessTable(platform::ProcessTable& inner, QString dir);

    std::vector<platform::ProcessInfo> snapshot() const override;
    bool isRunning(QStringView name) const override;
    bool isOwn(qint64 pid) const override { return inside(pid) && m_inner.isOwn(pid); }
    QString programPath(qint64 pid) const override { return m_inner.programPath(pid); }
    bool terminate(qint64 pid) override;
    std::optional<qint64> residentBytes(qint64 pid) const override;

private:
    bool inside(qint64 pid) const;

    platform::ProcessTable& m_inner;
    QString m_dir;
};

// The directory a process's program lies in, with its trailing "/" (empty when unknown).
QString programDirOf(qint64 pid);

} // namespace orvanel::testing
