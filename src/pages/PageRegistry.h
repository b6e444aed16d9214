#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace orvanel {

class Page;
class PanelContext;

// Every page and entry of the category list, and the two pages keyed by texts that no
// list item carries (file scrambling, program check).
enum class PageId {
    Dashboard,
    Rules,
    Alerts,
    NetworkOptions,
    Scan,
    Protocols,
    Settings,
    Backup,
    FileScrambling,
    ProgramCheck,
    AboutEntry,
    QuitEntry,
    Switches,
    ModificationLogs,
    WebPageEntry,
    Cookies,
    FolderSearch,
    CleanUp,
    WebSites,
    InternetAddress,
    Memory,
    Links,
};

// What a page is selected by: a text-table entry, or one of the two words that are
// built in per language.
struct PageKey
{
    enum class Kind { Entry, LinksWord, MemoryWord };
    Kind kind = Kind::Entry;
    int entry = 0;

    static constexpr PageKey text(int n) { return {Kind::Entry, n}; }
    static constexpr PageKey linksWord() { return {Kind::LinksWord, 0}; }
    static constexpr PageKey memoryWord() { return {Kind::MemoryWord, 0}; }
};

// Why a page is built: a choice in the category list, or the window's creation, which
// opens on the dashboard without opening the maker's web page.
enum class BuildOrigin { Selection, StartUp };

using PageFactory = std::unique_ptr<Page> (*)(PanelContext&, BuildOrigin);
using EntryAction = void (*)(PanelContext&);

// One line per page or entry. A framed page is built inside the page host frame (redraw
// suspended, page host reset, fresh page panel); an entry runs its action and leaves the
// page on show alone. A line with neither factory nor action is a page not written yet:
// its key is still tested in its place, and nothing runs.
struct PageEntry
{
    PageId id;
    PageKey key;
    bool framed;
    PageFactory factory;
    EntryAction action;
};

// The lines in the order the category list's choice is tested against them. Every
// matching line runs, so a caption equal to two keys builds both.
const std::vector<PageEntry>& pageTable();

// The line of a page; null for an unknown id.
const PageEntry* findPage(PageId id);

// The order in which a page host reset frees the pages that exist.
const std::vector<PageId>& freeOrder();

} // namespace orvanel
