#include "Doubles.h"

#include <QFileInfo>

#include <algorithm>

namespace orvanel::testing {

qint64 FakeProcessTable::add(const QString& name)
{
    m_processes.push_back({name, m_nextPid});
    return m_nextPid++;
}

int FakeProcessTable::count(const QString& name) const
{
    return int(std::count_if(m_processes.begin(), m_processes.end(), [&](const auto& p) {
        return p.name.compare(name, Qt::CaseInsensitive) == 0;
    }));
}

std::vector<platform::ProcessInfo> FakeProcessTable::snapshot() const
{
    ++snapshots;
    return m_processes;
}

bool FakeProcessTable::isRunning(QStringView name) const
{
    ++snapshots;
    return std::any_of(m_processes.begin(), m_processes.end(), [&](const auto& p) {
        return name.compare(p.name, Qt::CaseInsensitive) == 0;
    });
}

bool FakeProcessTable::terminate(qint64 pid)
{
    const auto it = std::find_if(m_processes.begin(), m_processes.end(),
                                 [&](const auto& p) { return p.pid == pid; });
    if (it == m_processes.end())
        return false;
    terminated.push_back(it->name);
    m_processes.erase(it);
    return true;
}

std::optional<qint64> FakeProcessTable::residentBytes(qint64 pid) const
{
    const bool known = std::any_of(m_processes.begin(), m_processes.end(),
                                   [&](const auto& p) { return p.pid == pid; });
    return known ? std::optional<qint64>(4096 * (pid % 100 + 1)) : std::nullopt;
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

platform::Services FakePlatform::services()
{
    return platform::servicesOf(*this);
}

} // namespace orvanel::testing
