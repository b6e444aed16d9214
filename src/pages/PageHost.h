#pragma once

#include "pages/PageRegistry.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace orvanel {

class Page;
class PanelContext;

// The right-hand side of the main window: one page at a time, built in code when its
// category is chosen and freed before the next one is built. The host keeps the one page
// (its marker) and the page panel it was built on; every control of the page is a child
// of that panel, so a reset frees the page by deleting both.
class PageHost final
{
public:
    // showLevelControls makes the alert level controls and the Internet button visible;
    // the dashboard's frame does that. table defaults to the program's own.
    PageHost(PanelContext& context, QWidget& window, std::function<void()> showLevelControls,
             const std::vector<PageEntry>& table = pageTable());
    ~PageHost();
    PageHost(const PageHost&) = delete;
    PageHost& operator=(const PageHost&) = delete;

    // Page host reset: the window's geometry back to its design, centred on its screen;
    // a new, hidden page panel; the page that exists freed with its old panel.
    void reset();

    // The page host frame around one page build: reset, the new panel shown with its
    // redrawing suspended, the page built on it, redrawing resumed. A row with no factory
    // yet gets the frame and an empty panel.
    void buildFramed(const PageEntry& entry, BuildOrigin origin = BuildOrigin::Selection);

    // ListBox1Click's test of the keys: every row whose key text equals the caption
    // exactly runs, in the table's order. An empty key never matches (a language file
    // that lacks the entry), and rows with nothing to run are skipped.
    void dispatch(const QString& caption, const std::function<QString(const PageKey&)>& keyText);

    // Frees the page that exists (the window's destruction).
    void freeAllPages();

    QWidget* pagePanel() const { return m_panel; }
    // The page that exists, or null.
    Page* page() const { return m_page.get(); }
    // The page that exists when it is a P, or null.
    template <typename P> P* page() const { return dynamic_cast<P*>(m_page.get()); }

    // Redraw suspension of one control; resuming asks for a full repaint.
    static void suspendRedraw(QWidget* control);
    static void resumeRedraw(QWidget* control);

private:
    void resetGeometry();

    PanelContext& m_context;
    QWidget& m_window;
    std::function<void()> m_showLevelControls;
    const std::vector<PageEntry>& m_table;
    QPointer<QWidget> m_panel;
    std::unique_ptr<Page> m_page;
};

} // namespace orvanel
