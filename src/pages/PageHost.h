#pragma once

#include "pages/PageRegistry.h"

#include <QList>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QWidget;

namespace orvanel {

class Page;
class PanelContext;

// The right-hand side of the main window: one page at a time, built in code when its
// category is chosen and freed before the next one is built. A page that exists has its
// marker here, the live Page object; freeing the page deletes it, and with it every
// control the page registered.
class PageHost final
{
public:
    // showLevelControls makes the alert level controls and the Internet button visible;
    // the dashboard's frame does that. table and order default to the program's own.
    PageHost(PanelContext& context, QWidget& window, std::function<void()> showLevelControls,
             const std::vector<PageEntry>& table = pageTable(),
             const std::vector<PageId>& order = freeOrder());
    ~PageHost();
    PageHost(const PageHost&) = delete;
    PageHost& operator=(const PageHost&) = delete;

    // Page host reset: the window's geometry back to its design, centred on its screen;
    // a new, hidden page panel; every existing page freed in the free order; the old
    // panel destroyed once nothing is left on it.
    void reset();

    // The page host frame around one page build: redrawing suspended, reset, the new
    // panel shown, the page (re)built on it, redrawing resumed. A page with no factory
    // yet gets the frame and an empty panel.
    void buildFramed(PageId id, BuildOrigin origin = BuildOrigin::Selection);

    // ListBox1Click's test of the keys: every line whose key text equals the caption
    // exactly runs, in the table's order. Lines with nothing to run are skipped.
    void dispatch(const QString& caption, const std::function<QString(const PageKey&)>& keyText);

    // Frees every page that exists (the window's destruction).
    void freeAllPages();

    QWidget* pagePanel() const { return m_panel; }
    Page* page(PageId id) const;
    int pageCount() const { return int(m_pages.size()); }

    // Redraw suspension of one control; resuming asks for a full repaint.
    static void suspendRedraw(QWidget* control);
    static void resumeRedraw(QWidget* control);

private:
    void resetGeometry();
    void freePages();
    void dropEmptyPanels();

    PanelContext& m_context;
    QWidget& m_window;
    std::function<void()> m_showLevelControls;
    const std::vector<PageEntry>& m_table;
    const std::vector<PageId>& m_order;
    QPointer<QWidget> m_panel;
    QList<QPointer<QWidget>> m_oldPanels;
    std::map<PageId, std::unique_ptr<Page>> m_pages;
};

} // namespace orvanel
