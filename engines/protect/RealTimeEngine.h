#pragma once

#include "protect/EngineContext.h"

#include <QStringList>

#include <array>
#include <optional>

namespace orvanel::engines {

// The twelve switches of configuration.xml, Champ1 first.
using Switches = std::array<bool, 12>;

// The switches as the engine reads them at start: a switch is on when its field holds
// exactly "1". Nothing when the file is missing or unreadable.
std::optional<Switches> readSwitches(const EngineContext& context);

// The folders the real-time engine watches:
//   Champ1 (check files when they are opened)  the Downloads and Desktop folders
//   Champ4 (log start-up changes)              the autostart folder
//   Champ5 (log new programs)                  ~/.local/bin
// Without a readable configuration, the Downloads and Desktop folders.
QStringList watchedFolders(const EngineContext& context, const std::optional<Switches>& switches);

} // namespace orvanel::engines
