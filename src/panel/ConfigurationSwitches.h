#pragma once

#include "workspace/Switches.h"

#include <QString>

#include <optional>

namespace orvanel::platform {
class Prompt;
}

namespace orvanel {

struct PanelState;
class EngineControl;
class TableFiles;

// The twelve configuration switches kept in configuration.xml for the engines: Champ1 to
// Champ12, "1" on and "0" off. The real-time engine reads them when it starts, so every
// write is made while it is stopped and it is started again afterwards.
namespace configuration {

// Start-up loading, without waiting: a field is on exactly when it holds "1". A missing
// or unreadable file is recreated with its default row and every switch is then on.
// Nothing when another program holds the file: it is then read later, and never
// replaced by the defaults.
std::optional<Switches> load(TableFiles& tables);

// The configuration writer: stop tempsreel.exe, wait for the file, rewrite the single
// row, start tempsreel.exe again. tempsreel.exe is started again in every case. A failed
// write sends "erreur configuration checkb" (above alert level 1) and answers false with
// the reason in error.
bool write(const Switches& switches, EngineControl& engines, TableFiles& tables, int alertLevel,
           QString* error = nullptr);

// A switch's check box was clicked (CheckBox2Click … CheckBox13Click): stores the switch
// and runs the configuration writer. While the start-up has not read the file yet
// (PanelState::configurationRead), the writer takes the file's switches first, so that
// only this one changes. A failure the writer could not handle itself is shown in the
// general error box.
void switchClicked(PanelState& state, Switch id, bool checked, EngineControl& engines,
                   TableFiles& tables, platform::Prompt& prompt);

} // namespace configuration
} // namespace orvanel
