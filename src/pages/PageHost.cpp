#include "pages/PageHost.h"

#include "pages/Page.h"

#include <QFrame>
#include <QScreen>
#include <QWidget>

namespace orvanel {

namespace {

// The page panel's place in the window's client area.
constexpr QRect PanelGeometry(176, 48, 609, 369);
// The window's client area after a reset.
constexpr QSize ClientSize(786, 481);

} // namespace

PageHost::PageHost(PanelContext& context, QWidget& window, std::function<void()> showLevelControls,
                   const std::vector<PageEntry>& table, const std::vector<PageId>& order)
    : m_context(context), m_window(window), m_showLevelControls(std::move(showLevelControls)),
      m_table(table), m_order(order)
{
}

PageHost::~PageHost()
{
    freeAllPages();
}

void PageHost::suspendRedraw(QWidget* control)
{
    if (control)
        control->setUpdatesEnabled(false);
}

void PageHost::resumeRedraw(QWidget* control)
{
    if (!control)
        return;
    control->setUpdatesEnabled(true);
    control->update();
}

void PageHost::reset()
{
    resetGeometry();

    if (m_panel)
        m_oldPanels.append(m_panel);
    auto* panel = new QFrame(&m_window);
    panel->setObjectName(QStringLiteral("PagePanel"));
    panel->setGeometry(PanelGeometry);
    panel->hide();
    m_panel = panel;

    freePages();
    dropEmptyPanels();
}

void PageHost::resetGeometry()
{
    m_window.setWindowState(Qt::WindowNoState);
    m_window.setEnabled(true);
    m_window.resize(ClientSize);
    // Centred by halves rounded toward zero, on the screen the window is on.
    const QScreen* screen = m_window.screen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QRect frame = m_window.frameGeometry();
    m_window.move(area.x() + area.width() / 2 - frame.width() / 2,
                  area.y() + area.height() / 2 - frame.height() / 2);
}

void PageHost::freePages()
{
    for (const PageId id : m_order)
        m_pages.erase(id);
    // Pages outside the free order (none in the program's own table) go last.
    m_pages.clear();
}

void PageHost::dropEmptyPanels()
{
    // An old panel stays, hidden behind the new one, while a control is left on it.
    for (auto it = m_oldPanels.begin(); it != m_oldPanels.end();) {
        QWidget* old = it->data();
        if (old && !old->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty()) {
            old->hide();
            ++it;
            continue;
        }
        delete old;
        it = m_oldPanels.erase(it);
    }
}

void PageHost::buildFramed(PageId id, BuildOrigin origin)
{
    suspendRedraw(&m_window);
    reset();
    m_panel->setVisible(true);
    suspendRedraw(m_panel);
    if (id == PageId::Dashboard && m_showLevelControls)
        m_showLevelControls();

    const PageEntry* entry = nullptr;
    for (const PageEntry& line : m_table) {
        if (line.id == id)
            entry = &line;
    }
    if (entry && entry->factory) {
        m_pages.erase(id);
        // The marker exists before the controls, as a later build tests it.
        Page* page = (m_pages[id] = entry->factory(m_context, origin)).get();
        page->build(m_panel);
    }

    resumeRedraw(&m_window);
    resumeRedraw(m_panel);
}

void PageHost::dispatch(const QString& caption,
                        const std::function<QString(const PageKey&)>& keyText)
{
    for (const PageEntry& line : m_table) {
        if (keyText(line.key) != caption)
            continue;
        if (line.framed && line.factory)
            buildFramed(line.id);
        else if (!line.framed && line.action)
            line.action(m_context);
    }
}

void PageHost::freeAllPages()
{
    freePages();
}

Page* PageHost::page(PageId id) const
{
    const auto it = m_pages.find(id);
    return it == m_pages.end() ? nullptr : it->second.get();
}

} // namespace orvanel
