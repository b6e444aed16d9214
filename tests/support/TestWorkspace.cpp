#include "TestWorkspace.h"

#include "workspace/Names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orvanel::testing {

QString programDirOf(qint64 pid)
{
    const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    if (exe.isEmpty())
        return {};
    return QFileInfo(exe).absolutePath() + QLatin1Char('/');
}

TestWorkspace::TestWorkspace()
{
    if (!m_dir.isValid())
        ADD_FAILURE() << "cannot create a temporary workspace";
}

TestWorkspace::~TestWorkspace()
{
    endAll();
}

QString TestWorkspace::dir() const
{
    return QDir(m_dir.path()).canonicalPath() + QLatin1Char('/');
}

QString TestWorkspace::path(const QString& name) const
{
    return dir() + name;
}

void TestWorkspace::installEngines(const QStringList& names)
{
    for (const QString& name : names) {
        const QString target = path(name);
        QFile::remove(target);
        if (!QFile::copy(QStringLiteral(ORVANEL_TEST_ENGINE), target))
            ADD_FAILURE() << "cannot install test engine as " << name.toStdString();
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
    }
}

void TestWorkspace::installAllEngines()
{
    QStringList all;
    for (const QLatin1StringView name : names::AllEngines)
        all.append(name);
    installEngines(all);
}

void TestWorkspace::installData()
{
    const QDir data(QStringLiteral(ORVANEL_DATA_DIR));
    for (const QString& name : data.entryList({QStringLiteral("*.txt")}, QDir::Files)) {
        if (name == QLatin1String("CMakeLists.txt"))
            continue;
        QFile::copy(data.filePath(name), path(name));
    }
}

void TestWorkspace::write(const QString& name, const QByteArray& bytes) const
{
    QFile f(path(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ADD_FAILURE() << "cannot write " << name.toStdString();
        return;
    }
    f.write(bytes);
}

QByteArray TestWorkspace::read(const QString& name) const
{
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool TestWorkspace::exists(const QString& name) const
{
    return QFileInfo::exists(path(name));
}

QStringList TestWorkspace::starts(const QString& name, int atLeast,
                                  std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const QString text = QString::fromUtf8(read(name + QStringLiteral(".args")));
        QStringList lines = text.split(QLatin1Char('\n'));
        lines.removeLast(); // after the last line end
        if (lines.size() >= atLeast || std::chrono::steady_clock::now() >= deadline)
            return lines;
        QThread::msleep(10);
    }
}

QList<qint64> TestWorkspace::ownProcesses() const
{
    QList<qint64> pids;
    const QString own = dir();
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (numeric && programDirOf(pid) == own)
            pids.append(pid);
    }
    return pids;
}

int TestWorkspace::running(const QString& name) const
{
    int count = 0;
    for (qint64 pid : ownProcesses()) {
        const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
        if (QFileInfo(exe).fileName() == name)
            ++count;
    }
    return count;
}

bool TestWorkspace::waitRunning(const QString& name, int count,
                                std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running(name) != count) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QThread::msleep(10);
    }
    return true;
}

qint64 TestWorkspace::startEngine(const QString& name, const QStringList& arguments) const
{
    const QByteArray program = QFile::encodeName(path(name));
    std::vector<QByteArray> args{program};
    for (const QString& a : arguments)
        args.push_back(a.toUtf8());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.constData(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    // Reap it in the background so that an ended engine does not linger as a zombie
    // that the process list would still show.
    const pid_t child = pid;
    QThread* reaper = QThread::create([child] { waitpid(child, nullptr, 0); });
    QObject::connect(reaper, &QThread::finished, reaper, &QObject::deleteLater);
    reaper->start();
    return pid;
}

void TestWorkspace::endAll() const
{
    for (int round = 0; round < 50; ++round) {
        const QList<qint64> pids = ownProcesses();
        if (pids.isEmpty())
            return;
        for (qint64 pid : pids)
            ::kill(pid_t(pid), SIGKILL);
        QThread::msleep(10);
    }
}

ScopedProcessTable::ScopedProcessTable(platform::ProcessTable& inner, QString dir)
    : m_inner(inner), m_dir(std::move(dir))
{
}

bool ScopedProcessTable::inside(qint64 pid) const
{
    return programDirOf(pid) == m_dir;
}

std::vector<platform::ProcessInfo> ScopedProcessTable::snapshot() const
{
    std::vector<platform::ProcessInfo> out;
    for (auto& p : m_inner.snapshot())
        if (inside(p.pid))
            out.push_back(std::move(p));
    return out;
}

bool ScopedProcessTable::isRunning(QStringView name) const
{
    for (const auto& p : snapshot())
        if (name.compare(p.name, Qt::CaseInsensitive) == 0 && m_inner.isOwn(p.pid))
            return true;
    return false;
}

bool ScopedProcessTable::terminate(qint64 pid)
{
    return inside(pid) && m_inner.terminate(pid);
}

std::optional<qint64> ScopedProcessTable::residentBytes(qint64 pid) const
{
    return m_inner.residentBytes(pid);
}

} // namespace orvanel::testing
