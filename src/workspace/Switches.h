#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <optional>

namespace orvanel {

// The twelve configuration switches that configuration.xml keeps for the engines, in the
// order of their fields (Champ1 first). The pages set them with check boxes whose numbers
// follow another order, so a switch is named, never counted.
enum class Switch {
    CheckOpenedFiles,        // switches page
    CheckRemovableDrives,    // switches page
    LogSystemFiles,          // modification logs page
    LogStartUpChanges,       // modification logs page
    LogNewPrograms,          // modification logs page
    LogNetworkChanges,       // modification logs page
    SiteFilter,              // web sites page
    WatchConnectingPrograms, // switches page
    CleanDeadShortcuts,      // clean-up page
    CleanStartUpEntries,     // clean-up page
    CleanRecycleBin,         // clean-up page
    BlockCookies,            // cookies and downloads page
};

// What the panel itself does with a switch; the engines read every one of them.
enum class SwitchReader {
    EnginesOnly,
    Panel,       // the dashboard line and the status flags line (the site filter)
    CleanUpPage, // the clean-up page's buttons read its check box
};

// One switch: its field in configuration.xml, the check box CheckBoxN that sets it, the
// text-table entry of that box's caption, its value in the default row and who reads it.
struct SwitchRow
{
    Switch id;
    int field;
    int checkBox;
    int captionEntry;
    bool defaultOn;
    SwitchReader reader;
};

inline constexpr std::array<SwitchRow, 12> switchTable{{
    {Switch::CheckOpenedFiles, 1, 3, 73, true, SwitchReader::EnginesOnly},
    {Switch::CheckRemovableDrives, 2, 4, 74, true, SwitchReader::EnginesOnly},
    {Switch::LogSystemFiles, 3, 6, 77, true, SwitchReader::EnginesOnly},
    {Switch::LogStartUpChanges, 4, 7, 78, true, SwitchReader::EnginesOnly},
    {Switch::LogNewPrograms, 5, 8, 79, true, SwitchReader::EnginesOnly},
    {Switch::LogNetworkChanges, 6, 9, 80, true, SwitchReader::EnginesOnly},
    {Switch::SiteFilter, 7, 5, 62, true, SwitchReader::Panel},
    {Switch::WatchConnectingPrograms, 8, 2, 72, true, SwitchReader::EnginesOnly},
    {Switch::CleanDeadShortcuts, 9, 10, 81, true, SwitchReader::CleanUpPage},
    {Switch::CleanStartUpEntries, 10, 11, 82, true, SwitchReader::CleanUpPage},
    {Switch::CleanRecycleBin, 11, 12, 83, true, SwitchReader::CleanUpPage},
    {Switch::BlockCookies, 12, 13, 84, true, SwitchReader::EnginesOnly},
}};

constexpr const SwitchRow& switchRow(Switch id)
{
    return switchTable[std::size_t(id)];
}

// The table is in field order and each row stands at its switch's place.
constexpr bool switchTableInOrder()
{
    for (std::size_t i = 0; i < switchTable.size(); ++i) {
        if (std::size_t(switchTable[i].id) != i || switchTable[i].field != int(i) + 1)
            return false;
    }
    return true;
}
static_assert(switchTableInOrder(), "one row per switch, in field order");

// The switch that check box CheckBoxN sets, or nothing.
constexpr std::optional<Switch> switchOfCheckBox(int checkBoxNumber)
{
    for (const SwitchRow& row : switchTable) {
        if (row.checkBox == checkBoxNumber)
            return row.id;
    }
    return std::nullopt;
}

// "Champ7" for the site filter.
inline QString fieldName(Switch id)
{
    using namespace Qt::StringLiterals;
    return u"Champ%1"_s.arg(switchRow(id).field);
}

// The twelve values, each set and read by its switch.
class Switches final
{
public:
    // The values of the default row.
    static constexpr Switches defaults()
    {
        Switches switches;
        for (const SwitchRow& row : switchTable)
            switches.set(row.id, row.defaultOn);
        return switches;
    }
    static constexpr Switches allSetTo(bool on)
    {
        Switches switches;
        switches.m_on.fill(on);
        return switches;
    }

    constexpr bool on(Switch id) const { return m_on[std::size_t(id)]; }
    constexpr void set(Switch id, bool on) { m_on[std::size_t(id)] = on; }
    constexpr bool allOn() const
    {
        for (const bool on : m_on) {
            if (!on)
                return false;
        }
        return true;
    }

    constexpr bool operator==(const Switches&) const = default;

private:
    std::array<bool, switchTable.size()> m_on{};
};

} // namespace orvanel
