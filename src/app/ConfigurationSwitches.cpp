#include "app/ConfigurationSwitches.h"

#include "platform/Prompt.h"
#include "workspace/EngineControl.h"
#include "workspace/Names.h"
#include "workspace/PanelState.h"
#include "workspace/TableFiles.h"

namespace orvanel::configuration {

namespace {

QString fieldName(int field)
{
    return QStringLiteral("Champ%1").arg(field);
}

Switches allOn()
{
    Switches switches;
    switches.fill(true);
    return switches;
}

enum class WriteOutcome { Written, LoadFailed, SaveFailed };

// The switches the first row holds: on exactly when the field holds "1".
void readRow(Table& table, Switches& switches)
{
    table.first();
    for (int field = 1; field <= int(switches.size()); ++field)
        switches[field - 1] = table.value(fieldName(field)) == QLatin1String("1");
}

// The single row, rewritten whole: the engines read the first row only.
void fillRow(Table& table, const Switches& switches)
{
    table.emptyTable();
    table.insert();
    for (int field = 1; field <= int(switches.size()); ++field)
        table.setValue(fieldName(field),
                       switches[field - 1] ? QStringLiteral("1") : QStringLiteral("0"));
    table.post();
}

// onlyField: the start-up could not read the file (an engine held it), so the switches in
// memory are only defaults: the file's own switches are taken first and only this field
// changes.
WriteOutcome writeRow(Switches& switches, std::optional<int> onlyField, EngineControl& engines,
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
            if (onlyField) {
                const bool chosen = switches[*onlyField - 1];
                readRow(table, switches);
                switches[*onlyField - 1] = chosen;
            }
            fillRow(table, switches);
            return true;
        },
        &reason);

    WriteOutcome outcome = WriteOutcome::Written;
    if (!loaded) {
        outcome = WriteOutcome::LoadFailed;
        if (reason.isEmpty())
            reason = names::ConfigurationTable + QStringLiteral(" cannot be read");
    } else if (!saved) {
        outcome = WriteOutcome::SaveFailed;
        engines.notify(QStringLiteral("erreur configuration checkb"), alertLevel);
    }

    engines.start(names::RealTimeEngine);
    if (error)
        *error = reason;
    return outcome;
}

} // namespace

std::optional<int> fieldOfCheckBox(int checkBoxNumber)
{
    // The check box that sets Champ1, Champ2 … Champ12, in field order.
    static constexpr std::array<int, 12> checkBoxOfField = {3, 4, 6, 7, 8, 9, 5, 2, 10, 11, 12, 13};
    for (int field = 1; field <= int(checkBoxOfField.size()); ++field) {
        if (checkBoxOfField[field - 1] == checkBoxNumber)
            return field;
    }
    return std::nullopt;
}

std::optional<Switches> load(TableFiles& tables)
{
    // A missing file is created with its default row; an unreadable one is first kept
    // aside as configuration.xml.bad. When even that fails, every switch is on, as the
    // default row says. A held file is neither waited for nor replaced: it holds the
    // user's switches.
    Switches switches = allOn();
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

void checkBoxClicked(PanelState& state, int checkBoxNumber, bool checked, EngineControl& engines,
                     TableFiles& tables, platform::Prompt& prompt)
{
    const std::optional<int> field = fieldOfCheckBox(checkBoxNumber);
    if (!field)
        return;
    state.configuration[*field - 1] = checked;

    QString error;
    const std::optional<int> onlyField =
        state.configurationRead ? std::nullopt : std::optional<int>(field);
    const WriteOutcome outcome =
        writeRow(state.configuration, onlyField, engines, tables, state.alertLevel, &error);
    // A row that could not be written has been reported through msgs.exe; a file that
    // could not even be read goes to the general error box.
    if (outcome == WriteOutcome::LoadFailed)
        prompt.showError(error);
    else
        state.configurationRead = true;
}

} // namespace orvanel::configuration
