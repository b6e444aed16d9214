#include "pages/PageRegistry.h"

#include "pages/Page.h"
#include "pages/settings/EntryActions.h"
#include "pages/settings/SwitchesPage.h"

namespace orvanel {

namespace {

template <typename P> std::unique_ptr<Page> make(PanelContext& context, BuildOrigin)
{
    return std::make_unique<P>(context);
}

using K = PageKey;

} // namespace

const std::vector<PageEntry>& pageTable()
{
    static const std::vector<PageEntry> table = {
        {PageId::Dashboard, K::text(1), true, nullptr, nullptr},
        {PageId::Rules, K::text(2), true, nullptr, nullptr},
        {PageId::Alerts, K::text(3), true, nullptr, nullptr},
        {PageId::NetworkOptions, K::text(4), true, nullptr, nullptr},
        {PageId::Scan, K::text(85), true, nullptr, nullptr},
        {PageId::Protocols, K::text(5), true, nullptr, nullptr},
        {PageId::Settings, K::text(6), true, nullptr, nullptr},
        {PageId::Backup, K::text(99), true, nullptr, nullptr},
        {PageId::FileScrambling, K::text(96), true, nullptr, nullptr},
        {PageId::ProgramCheck, K::text(90), true, nullptr, nullptr},
        {PageId::AboutEntry, K::text(48), false, nullptr, &entries::runAboutEntry},
        {PageId::QuitEntry, K::text(25), false, nullptr, &entries::runQuitEntry},
        {PageId::Switches, K::text(57), true, &make<SwitchesPage>, nullptr},
        {PageId::ModificationLogs, K::text(58), true, nullptr, nullptr},
        {PageId::WebPageEntry, K::text(64), false, nullptr, &entries::runWebPageEntry},
        {PageId::Cookies, K::text(59), true, nullptr, nullptr},
        {PageId::FolderSearch, K::text(60), true, nullptr, nullptr},
        {PageId::CleanUp, K::text(61), true, nullptr, nullptr},
        {PageId::WebSites, K::text(62), true, nullptr, nullptr},
        {PageId::InternetAddress, K::text(63), true, nullptr, nullptr},
        {PageId::Memory, K::memoryWord(), true, nullptr, nullptr},
        {PageId::Links, K::linksWord(), true, nullptr, nullptr},
    };
    return table;
}

const PageEntry* findPage(PageId id)
{
    for (const PageEntry& entry : pageTable()) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

const std::vector<PageId>& freeOrder()
{
    static const std::vector<PageId> order = {
        PageId::Dashboard,        PageId::Memory,       PageId::Links,    PageId::Backup,
        PageId::FileScrambling,   PageId::ProgramCheck, PageId::Scan,     PageId::Cookies,
        PageId::InternetAddress,  PageId::WebSites,     PageId::CleanUp,  PageId::FolderSearch,
        PageId::ModificationLogs, PageId::Switches,     PageId::Settings, PageId::Protocols,
        PageId::NetworkOptions,   PageId::Alerts,       PageId::Rules,
    };
    return order;
}

} // namespace orvanel
