#include "pages/PageHost.h"

#include "pages/CaptionFit.h"
#include "pages/Page.h"
#include "pages/ReportList.h"

#include <QFrame>
#include <QScreen>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

// The page panel's place in the window's client area.
constexpr QRect PanelGeometry(176, 48, 609, 369);
// The window's client area after a reset.
constexpr QSize ClientSize(786, 481);

} // namespace

PageHost::PageHost(PanelContext& context, QWidget& window, std::function<void()> showLevelControls,
                   const std::vector<PageEntry>& table)
    : m_context(context), m_window(window), m_showLevelControls(std::move(showLevelControls)),
      m_table(table)
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
    QPointer<QWidget> old = m_panel;
    auto* panel = new QFrame(&m_window);
    panel->setObjectName(u"PagePanel"_s);
    panel->setGeometry(PanelGeometry);
    panel->hide();
    m_panel = panel;
    // The controls go first, while the page they may call back into still exists. A report
    // list stays with the window for the next page that shows one.
    if (old)
        ReportList::keepFrom(old);
    delete old.data();
    m_page.reset();
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

void PageHost::buildFramed(const PageEntry& entry, BuildOrigin origin)
{
    // Redrawing of the page panel is suspended while the page is built on it, so that its
    // controls are painted in one repaint. The main window's is not: Qt paints only from
    // the event loop, and enabling a window's updates again queues an update of every
    // control besides the window's own, which painted every control of the page twice.
    reset();
    m_panel->setVisible(true);
    suspendRedraw(m_panel);
    if (entry.showsLevelControls && m_showLevelControls)
        m_showLevelControls();
    if (entry.factory) {
        // The marker exists before the controls, as a later build tests it.
        m_page = entry.factory(m_context, origin);
        m_page->build(m_panel);
        captionfit::fitCaptions(m_panel);
    }
    resumeRedraw(m_panel);
}

void PageHost::dispatch(const QString& caption,
                        const std::function<QString(const PageKey&)>& keyText)
{
    for (const PageEntry& entry : m_table) {
        const QString key = keyText(entry.key);
        if (key.isEmpty() || key != caption)
            continue;
        if (entry.factory)
            buildFramed(entry);
        else if (entry.action)
            entry.action(m_context);
    }
}

void PageHost::freeAllPages()
{
    delete m_panel.data();
    m_page.reset();
}

} // namespace orvanel
