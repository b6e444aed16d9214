#pragma once

namespace orvanel {
class PanelContext;
}

// The three category list entries that act instead of building a page. The page on show
// stays as it is.
namespace orvanel::entries {

// Shows one more about box, not modal, then opens the maker's web page.
void runAboutEntry(PanelContext& context);

// Opens the maker's web page.
void runWebPageEntry(PanelContext& context);

// Asks text-table entry 65; on Yes stops tempsreel.exe, scanwapper.exe, scandisk.exe,
// ipcp.exe, netpro.exe, majbase.exe, serveur.exe and pngi.exe, in that order, and asks
// the program to end. Any other answer changes nothing.
void runQuitEntry(PanelContext& context);

} // namespace orvanel::entries
