#include "Doubles.h"

#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace orvanel::testing {

qint64 FakeProcessTable::add(const QString& name, Owner owner, QString programPath)
{
    if (programPath.isEmpty())
        programPath = u"/home/user/programs/"_s + name;
    m_processes.push_back({{name, m_nextPid}, owner, programPath});
    return m_nextPid++;
}

const FakeProcessTable::Fake* FakeProcessTable::find(qint64 pid) const
{
    const auto it = std::find_if(m_processes.begin(), m_processes.end(),
                                 [&](const Fake& p) { return p.info.pid == pid; });
    return it == m_processes.end() ? nullptr : &*it;
}

int FakeProcessTable::count(const QString& name) const
{
    return int(std::count_if(m_processes.begin(), m_processes.end(), [&](const Fake& p) {
        return p.info.name.compare(name, Qt::CaseInsensitive) == 0;
    }));
}

std::vector<platform::ProcessInfo> FakeProcessTable::snapshot() const
{
    ++snapshots;
    std::vector<platform::ProcessInfo> out;
    for (const Fake& p : m_processes)
        out.push_back(p.info);
    return out;
}

bool FakeProcessTable::isRunning(QStringView name) const
{
    ++snapshots;
    return std::any_of(m_processes.begin(), m_processes.end(), [&](const Fake& p) {
        return p.owner == Owner::User && name.compare(p.info.name, Qt::CaseInsensitive) == 0;
    });
}

bool FakeProcessTable::isOwn(qint64 pid) const
{
    const Fake* p = find(pid);
    return p && p->owner == Owner::User;
}

QString FakeProcessTable::programPath(qint64 pid) const
{
    const Fake* p = find(pid);
    return p && p->owner == Owner::User ? p->program : QString();
}

bool FakeProcessTable::terminate(qint64 pid)
{
    const auto it = std::find_if(m_processes.begin(), m_processes.end(),
                                 [&](const Fake& p) { return p.info.pid == pid; });
    if (it == m_processes.end())
        return false;
    terminated.push_back(it->info.name);
    m_processes.erase(it);
    return true;
}

std::optional<qint64> FakeProcessTable::residentBytes(qint64 pid) const
{
    return find(pid) ? std::optional<qint64>(4096 * (pid % 100 + 1)) : std::nullopt;
}

bool RecordingSpawner::spawn(const QString& program, const QStringList& arguments)
{
    if (fail)
        return false;
    const QString name = QFileInfo(program).fileName();
    calls.push_back({program, name, arguments});
    if (m_processes)
        m_processes->add(name);
    return true;
}

QStringList RecordingSpawner::names() const
{
    QStringList out;
    for (const auto& call : calls)
        out.append(call.name);
    return out;
}

int RecordingSpawner::count(const QString& name) const
{
    return int(
        std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.name == name; }));
}

bool ScriptedPrompt::askYesNo(const QString& text)
{
    questions.append(text);
    if (whileAsked)
        whileAsked();
    if (answers.empty())
        return defaultAnswer;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void ScriptedPrompt::showError(const QString& text)
{
    if (whileErrorShown)
        whileErrorShown();
    errors.append(text);
}

platform::AutostartEntries::Value InMemoryAutostart::value(const QString& name) const
{
    return values.value(name);
}

bool InMemoryAutostart::setValue(const QString& name, const QString& data, QString* error)
{
    if (failWrites) {
        if (error)
            *error = QStringLiteral("autostart folder is read-only");
        return false;
    }
    ++writes;
    values.insert(name, Value{Value::Kind::String, data});
    return true;
}

bool InMemoryAutostart::removeValue(const QString& name)
{
    return values.remove(name) > 0;
}

bool InMemoryAutostart::moveValueToTrash(const QString& name, platform::Trash&)
{
    if (values.remove(name) == 0)
        return false;
    trashed.append(name);
    return true;
}

platform::Services FakePlatform::services()
{
    return platform::servicesOf(*this);
}

} // namespace orvanel::testing
