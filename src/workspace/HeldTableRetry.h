#pragma once

#include "workspace/TableFiles.h"

#include <QTimer>

#include <chrono>
#include <functional>
#include <utility>
#include <vector>

namespace orvanel {

// Start-up work on table files that an engine held when their turn came. The window does
// not wait for them: a held table is looked at again on the event loop, and its work runs
// as soon as the file is free. Nothing here blocks.
class HeldTableRetry final
{
public:
    static constexpr std::chrono::milliseconds LookInterval{200};

    // The work on one table; it answers false when it found the file held after all, and
    // is then tried again at a later look.
    using Work = std::function<bool()>;

    explicit HeldTableRetry(TableFiles& tables);
    HeldTableRetry(const HeldTableRetry&) = delete;
    HeldTableRetry& operator=(const HeldTableRetry&) = delete;

    // Runs work at once when the table is free; otherwise keeps it for a later look.
    void runWhenFree(TableId id, Work work);

    // Whether work on this table still waits for the file.
    bool isWaiting(TableId id) const;

private:
    bool tryNow(TableId id, const Work& work) const;
    void lookAgain();

    TableFiles& m_tables;
    QTimer m_timer;
    std::vector<std::pair<TableId, Work>> m_waiting;
};

} // namespace orvanel
