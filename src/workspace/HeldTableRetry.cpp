#include "workspace/HeldTableRetry.h"

#include <algorithm>

namespace orvanel {

HeldTableRetry::HeldTableRetry(TableFiles& tables) : m_tables(tables)
{
    m_timer.setInterval(LookInterval);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { lookAgain(); });
}

void HeldTableRetry::runWhenFree(TableId id, Work work)
{
    if (tryNow(id, work))
        return;
    m_waiting.emplace_back(id, std::move(work));
    m_timer.start();
}

bool HeldTableRetry::isWaiting(TableId id) const
{
    return std::any_of(m_waiting.begin(), m_waiting.end(),
                       [id](const auto& waiting) { return waiting.first == id; });
}

bool HeldTableRetry::tryNow(TableId id, const Work& work) const
{
    return !m_tables.isHeld(id) && work();
}

void HeldTableRetry::lookAgain()
{
    // Taken out of the list while they run: work that asks for more work cannot disturb
    // the walk.
    std::vector<std::pair<TableId, Work>> waiting;
    waiting.swap(m_waiting);
    for (auto& [id, work] : waiting) {
        if (!tryNow(id, work))
            m_waiting.emplace_back(id, std::move(work));
    }
    if (m_waiting.empty())
        m_timer.stop();
}

} // namespace orvanel
