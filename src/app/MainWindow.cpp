#include "app/MainWindow.h"

#include "pages/AppIcons.h"
#include "pages/CategoryListDelegate.h"
#include "pages/Page.h"
#include "platform/linux/FreeHeap.h"
#include "workspace/Maker.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace orvanel {

MainWindow::MainWindow(const QString& workspaceDir, const platform::Services& services,
                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_panel(workspaceDir, services), m_pageHost(*this, *this, [this] { showLevelControls(); })
{
    setObjectName(u"TForm2"_s);
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(u"Timer1"_s);
    m_timer1->setInterval(1500);
    connect(m_timer1, &QTimer::timeout, this, &MainWindow::Timer1Timer);
    m_heapRelease.setSingleShot(true);
    m_heapRelease.setInterval(1000);
    connect(&m_heapRelease, &QTimer::timeout, this, [] { platform::releaseFreeHeap(); });
    connect(&m_panel, &Panel::scanIdle, this, [this] {
        if (Page* page = m_pageHost.page())
            page->schedulerIdle();
    });
    connect(&m_panel, &Panel::languageChanged, this, [this] {
        fillCategoryList();
        setCaptionAndClearEdits();
    });
    connect(&m_panel, &Panel::internetChanged, this, [this](bool on) {
        m_bitBtn15->setIcon(QIcon());
        m_bitBtn15->setIcon(AppIcons::internetGlyph(on));
    });
    connect(&m_panel, &Panel::terminationRequested, this, &MainWindow::terminationRequested);
    createControls();
}

MainWindow::~MainWindow()
{
    FormDestroy();
}

void MainWindow::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    m_timer1->stop();
    m_panel.stopEnginesAtEnd();
    m_pageHost.freeAllPages();
}

void MainWindow::WMQueryEndSession()
{
    // The session may end: nothing here holds it back. The engines go first, as the
    // window's destruction may not get to run before the session is gone.
    m_panel.stopEnginesAtEnd();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    m_panel.services().urls->open(maker::webPage());
    m_pageHost.reset();
    m_heapRelease.start();
    // The window is only put away; without an icon in the notification area to bring it
    // back (no tray, or the icon was not added) it is minimised instead of hidden.
    event->ignore();
    const bool iconShown = m_iconShown
                               ? m_iconShown()
                               : m_panel.services().tray && m_panel.services().tray->isAvailable();
    if (iconShown)
        hide();
    else
        showMinimized();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_destroyed && !m_timer1->isActive())
        m_timer1->start();
}

void MainWindow::Timer1Timer()
{
    m_panel.tick();
}

QPointer<QLineEdit>& MainWindow::editSlot(int number)
{
    switch (number) {
    case 1:
        return m_edit1;
    case 2:
        return m_edit2;
    default:
        return m_edit3;
    }
}

} // namespace orvanel
