#pragma once

#include "platform/Spawner.h"

namespace orvanel::platform {

// Starts engines with a double fork: the first child opens a new session and forks the
// engine, then ends at once and is reaped here, so the engine is adopted by init (or
// the session's subreaper) and never lingers as a zombie of the panel. The program is
// executed directly; its arguments never pass through a shell.
class LinuxSpawner final : public Spawner
{
public:
    bool spawn(const QString& program, const QStringList& arguments) override;
};

} // namespace orvanel::platform
