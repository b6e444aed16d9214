#pragma once

#include <QString>

#include <memory>
#include <type_traits>
#include <vector>

namespace orvanel {

class Page;
class PanelContext;

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

// The factory of a page class, for its registry row. A page whose constructor takes the
// build origin gets it.
template <typename P> std::unique_ptr<Page> makePage(PanelContext& context, BuildOrigin origin)
{
    if constexpr (std::is_constructible_v<P, PanelContext&, BuildOrigin>)
        return std::make_unique<P>(context, origin);
    else
        return std::make_unique<P>(context);
}

// One row per page or entry, everything about it in one place. A page (factory set) is
// built inside the page host frame: redraw suspended, page host reset, fresh page panel.
// An entry (action set) runs its action and leaves the page on show alone. A row with
// neither is a page not written yet: its key keeps its place in the order, and choosing
// it runs nothing.
struct PageEntry
{
    PageKey key;
    PageFactory factory = nullptr;
    EntryAction action = nullptr;
    // Its item in the category list, from 0 at the top; the item shows category icon
    // number listPosition. NotListed: no item, the page opens only on a caption equal to
    // its key.
    int listPosition = NotListed;
    // The dashboard's frame shows the alert level controls and the Internet button.
    bool showsLevelControls = false;

    static constexpr int NotListed = -1;
};

// The rows in the order the category list's choice is tested against them. Every
// matching row runs, so a caption equal to two keys builds both. The first row is the
// page the window opens on.
const std::vector<PageEntry>& pageTable();

// The keys of the category list's items, from the top: the rows of `table` that have a
// list position, in position order.
std::vector<PageKey> categoryKeys(const std::vector<PageEntry>& table = pageTable());

} // namespace orvanel
