#include "panel/ConfigurationSwitches.h"

#include "platform/Prompt.h"
#include "workspace/EngineControl.h"
#include "workspace/Names.h"
#include "workspace/PanelState.h"
#include "workspace/TableFiles.h"

namespace orvanel::configuration {

using namespace Qt::StringLiterals;

namespace {

enum class WriteOutcome { Written, LoadFailed, SaveFailed };

// The switches the first row holds: on exactly when the field holds "1".
void readRow(Table& table, Switches& switches)
{
    table.first();
    for (const SwitchRow& row : switchTable)
        switches.set(row.id, table.value(fieldName(row.id)) == "1"_L1);
}

// The single row, rewritten whole: the engines read the first row only.
void fillRow(Table& table, const Switches& switches)
{
    table.emptyTable();
    table.insert();
    for (const SwitchRow& row : switchTable)
        table.setValue(fieldName(row.id), switches.on(row.id) ? u"1"_s : u"0"_s);
    table.post();
}

// onlySwitch: the start-up could not read the file (an engine held it), so the switches
// in memory are only defaults: the file's own switches are taken first and only this one
// changes.
WriteOutcome writeRow(Switches& switches, std::optional<Switch> onlySwitch, EngineControl& engines,
                      TableFiles& tables, int alertLevel, QString* error)
{
    // tempsreel.exe reads the switches when it starts: it is kept stopped while the file
    // changes and started again afterwards, whatever happened to the file.
    engines.stop(names::RealTimeEngine);

    bool loaded = false;
    QString reason;
    const bool saved = tables.use(
        TableId::Configuration,
        [&](Table& table) {
            loaded = true;
            if (onlySwitch) {
                const bool chosen = switches.on(*onlySwitch);
                readRow(table, switches);
                switches.set(*onlySwitch, chosen);
            }
            fillRow(table, switches);
            return true;
        },
        &reason);

    WriteOutcome outcome = WriteOutcome::Written;
    if (!loaded) {
        outcome = WriteOutcome::LoadFailed;
        if (reason.isEmpty())
            reason = names::ConfigurationTable + u" cannot be read"_s;
    } else if (!saved) {
        outcome = WriteOutcome::SaveFailed;
        engines.notify(u"erreur configuration checkb"_s, alertLevel);
    }

    engines.start(names::RealTimeEngine);
    if (error)
        *error = reason;
    return outcome;
}

} // namespace

std::optional<Switches> load(TableFiles& tables)
{
    // A missing file is created with its default row; an unreadable one is first kept
    // aside as configuration.xml.bad. When even that fails, every switch is on, as the
    // default row says. A held file is neither waited for nor replaced: it holds the
    // user's switches.
    Switches switches = Switches::defaults();
    if (!tables.openWithRecreation(TableId::Configuration, nullptr, FreeWait::None))
        return tables.isHeld(TableId::Configuration) ? std::nullopt : std::optional(switches);
    const bool read = tables.use(
        TableId::Configuration,
        [&switches](Table& table) {
            readRow(table, switches);
            return false;
        },
        nullptr, FreeWait::None);
    if (!read && tables.isHeld(TableId::Configuration))
        return std::nullopt;
    return switches;
}

bool write(const Switches& switches, EngineControl& engines, TableFiles& tables, int alertLevel,
           QString* error)
{
    Switches written = switches;
    return writeRow(written, std::nullopt, engines, tables, alertLevel, error) ==
           WriteOutcome::Written;
}

void switchClicked(PanelState& state, Switch id, bool checked, EngineControl& engines,
                   TableFiles& tables, platform::Prompt& prompt)
{
    state.switches.set(id, checked);

    QString error;
    const std::optional<Switch> onlySwitch =
        state.configurationRead ? std::nullopt : std::optional<Switch>(id);
    const WriteOutcome outcome =
        writeRow(state.switches, onlySwitch, engines, tables, state.alertLevel, &error);
    // A row that could not be written has been reported through msgs.exe; a file that
    // could not even be read goes to the general error box.
    if (outcome == WriteOutcome::LoadFailed)
        prompt.showError(error);
    else
        state.configurationRead = true;
}

} // namespace orvanel::configuration
