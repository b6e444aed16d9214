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

namespace orvanel {

const std::vector<PageEntry>& pageTable()
{
    using K = PageKey;
    static const std::vector<PageEntry> table = {
        {K::text(1), &makePage<DashboardPage>, nullptr, true},
        {K::text(2), &makePage<RulesPage>},
        {K::text(3), &makePage<AlertsPage>},
        {K::text(4), &makePage<NetworkOptionsPage>},
        {K::text(85), &makePage<ScanPage>},
        {K::text(5), &makePage<ProtocolsPage>},
        {K::text(6), &makePage<SettingsPortsPage>},
        {K::text(99), &makePage<BackupPage>},
        {K::text(96), &makePage<FileScramblingPage>},
        {K::text(90), &makePage<ProgramCheckPage>},
        {K::text(48), nullptr, &entries::runAboutEntry},
        {K::text(25), nullptr, &entries::runQuitEntry},
        {K::text(57), &makePage<SwitchesPage>},
        {K::text(58), &makePage<ModificationLogsPage>},
        {K::text(64), nullptr, &entries::runWebPageEntry},
        {K::text(59), &makePage<CookiesDownloadsPage>},
        {K::text(60), &makePage<FolderSearchPage>},
        {K::text(61), &makePage<CleanUpPage>},
        {K::text(62), &makePage<WebSitesPage>},
        {K::text(63), &makePage<InternetAddressPage>},
        {K::memoryWord(), &makePage<MemoryPage>},
        {K::linksWord(), &makePage<LinksPage>},
    };
    return table;
}

} // namespace orvanel
