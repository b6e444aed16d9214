#include "pages/PageRegistry.h"

#include "pages/Page.h"
#include "pages/protection/AlertsPage.h"
#include "pages/protection/DashboardPage.h"
#include "pages/protection/NetworkOptionsPage.h"
#include "pages/protection/ProtocolsPage.h"
#include "pages/protection/RulesPage.h"
#include "pages/protection/ScanPage.h"
#include "pages/protection/SettingsPortsPage.h"
#include "pages/settings/BackupPage.h"
#include "pages/settings/EntryActions.h"
#include "pages/settings/FileScramblingPage.h"
#include "pages/settings/ModificationLogsPage.h"
#include "pages/settings/ProgramCheckPage.h"
#include "pages/settings/SwitchesPage.h"
#include "pages/tools/CleanUpPage.h"
#include "pages/tools/CookiesDownloadsPage.h"
#include "pages/tools/FolderSearchPage.h"
#include "pages/tools/InternetAddressPage.h"
#include "pages/tools/LinksPage.h"
#include "pages/tools/MemoryPage.h"
#include "pages/tools/WebSitesPage.h"

#include <algorithm>

namespace orvanel {

const std::vector<PageEntry>& pageTable()
{
    using K = PageKey;
    constexpr int NotListed = PageEntry::NotListed;
    // Key, page or action, category list position.
    static const std::vector<PageEntry> table = {
        {K::text(1), &makePage<DashboardPage>, nullptr, 0, true},
        {K::text(2), &makePage<RulesPage>, nullptr, 1},
        {K::text(3), &makePage<AlertsPage>, nullptr, 2},
        {K::text(4), &makePage<NetworkOptionsPage>, nullptr, 3},
        {K::text(85), &makePage<ScanPage>, nullptr, 13},
        {K::text(5), &makePage<ProtocolsPage>, nullptr, 4},
        {K::text(6), &makePage<SettingsPortsPage>, nullptr, 5},
        {K::text(99), &makePage<BackupPage>, nullptr, 9},
        {K::text(96), &makePage<FileScramblingPage>, nullptr, NotListed},
        {K::text(90), &makePage<ProgramCheckPage>, nullptr, NotListed},
        {K::text(48), nullptr, &entries::runAboutEntry, 15},
        {K::text(25), nullptr, &entries::runQuitEntry, 19},
        {K::text(57), &makePage<SwitchesPage>, nullptr, 6},
        {K::text(58), &makePage<ModificationLogsPage>, nullptr, 7},
        {K::text(64), nullptr, &entries::runWebPageEntry, 16},
        {K::text(59), &makePage<CookiesDownloadsPage>, nullptr, 8},
        {K::text(60), &makePage<FolderSearchPage>, nullptr, 10},
        {K::text(61), &makePage<CleanUpPage>, nullptr, 11},
        {K::text(62), &makePage<WebSitesPage>, nullptr, 12},
        {K::text(63), &makePage<InternetAddressPage>, nullptr, 14},
        {K::memoryWord(), &makePage<MemoryPage>, nullptr, 18},
        {K::linksWord(), &makePage<LinksPage>, nullptr, 17},
    };
    return table;
}

std::vector<PageKey> categoryKeys(const std::vector<PageEntry>& table)
{
    std::vector<const PageEntry*> listed;
    for (const PageEntry& entry : table) {
        if (entry.listPosition != PageEntry::NotListed)
            listed.push_back(&entry);
    }
    std::sort(listed.begin(), listed.end(), [](const PageEntry* a, const PageEntry* b) {
        return a->listPosition < b->listPosition;
    });
    std::vector<PageKey> keys;
    for (const PageEntry* entry : listed)
        keys.push_back(entry->key);
    return keys;
}

} // namespace orvanel
