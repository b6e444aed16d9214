#include "app/MainWindow.h"

#include "app/ConfigurationSwitches.h"
#include "events/EngineMessages.h"
#include "events/VolumeArrival.h"
#include "pages/CategoryListDelegate.h"
#include "pages/Page.h"
#include "workspace/Maker.h"
#include "workspace/Names.h"

#include <QCloseEvent>
#include <QLineEdit>

namespace orvanel {

namespace {

// The engines the window's destruction and the end of the session stop, in this order.
// netpro.exe and serveur.exe are not among them: only the quit entry ends those.
QStringList destroyStopList()
{
    return {names::DiskScanEngine, names::ScanEngine,   names::RealTimeEngine,
            names::ResolverEngine, names::NetEngine,    names::PopKentEngine,
            names::BackupEngine,   names::UpdateEngine, names::NetstatEngine,
            names::PngiEngine};
}

} // namespace

MainWindow::MainWindow(const QString& workspaceDir, const platform::Services& services,
                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_services(services),
      m_engines(workspaceDir, *services.processes, *services.spawner, *services.probe),
      m_tables(workspaceDir, m_engines, [this] { return m_state.alertLevel; }),
      m_pageHost(*this, *this, [this] { showLevelControls(); }),
      m_scheduler(m_state, m_engines, m_tables, m_services)
{
    m_state.workspaceDir = workspaceDir;
    setObjectName(QStringLiteral("TForm2"));
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(1500);
    connect(m_timer1, &QTimer::timeout, this, &MainWindow::Timer1Timer);
    connect(&m_scheduler, &Scheduler::scanIdle, this, [this] {
        if (Page* page = m_pageHost.page())
            page->schedulerIdle();
    });
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
    stopEngines(destroyStopList());
    m_pageHost.freeAllPages();
}

void MainWindow::WMQueryEndSession()
{
    // The session may end: nothing here holds it back. The engines go first, as the
    // window's destruction may not get to run before the session is gone.
    stopEngines(destroyStopList());
}

void MainWindow::stopEngines(const QStringList& names)
{
    m_engines.stop(names);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    m_services.urls->open(maker::webPage());
    m_pageHost.reset();
    // The window is only put away; without an icon in the notification area to bring it
    // back (no tray, or the icon was not added) it is minimised instead of hidden.
    event->ignore();
    const bool iconShown =
        m_iconShown ? m_iconShown() : m_services.tray && m_services.tray->isAvailable();
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
    m_scheduler.tick();
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

void MainWindow::switchClicked(Switch id, bool checked)
{
    configuration::switchClicked(m_state, id, checked, m_engines, m_tables, *m_services.prompt);
}

void MainWindow::requestTermination()
{
    Q_EMIT terminationRequested();
}

} // namespace orvanel
