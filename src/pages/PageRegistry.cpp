#include "pages/PageRegistry.h"

#include "pages/Page.h"
#include "pages/protection/NetworkOptionsPage.h"
#include "pages/settings/BackupPage.h"
#include "pages/settings/EntryActions.h"
#include "pages/settings/FileScramblingPage.h"
#include "pages/settings/ModificationLogsPage.h"
#include "pages/settings/SwitchesPage.h"

namespace orvanel {

const std::vector<PageEntry>& pageTable()
{
    using K = PageKey;
    static const std::vector<PageEntry> table = {
        {K::text(1), nullptr, nullptr, true}, // dashboard
        {K::text(2)},                         // rules list
        {K::text(3)},                         // alerts list
        {K::text(4), &makePage<NetworkOptionsPage>},
        {K::text(85)}, // scan
        {K::text(5)},  // protocols and lists
        {K::text(6)},  // settings and ports
        {K::text(99), &makePage<BackupPage>},
        {K::text(96), &makePage<FileScramblingPage>},
        {K::text(90)}, // program check
        {K::text(48), nullptr, &entries::runAboutEntry},
        {K::text(25), nullptr, &entries::runQuitEntry},
        {K::text(57), &makePage<SwitchesPage>},
        {K::text(58), &makePage<ModificationLogsPage>},
        {K::text(64), nullptr, &entries::runWebPageEntry},
        {K::text(59)},     // cookies and downloads
        {K::text(60)},     // folder search
        {K::text(61)},     // clean-up
        {K::text(62)},     // web sites
        {K::text(63)},     // Internet address
        {K::memoryWord()}, // memory
        {K::linksWord()},  // links
    };
    return table;
}

} // namespace orvanel
