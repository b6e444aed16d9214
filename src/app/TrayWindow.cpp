#include "app/TrayWindow.h"

#include "pages/AppIcons.h"
#include "workspace/Maker.h"
#include "workspace/Names.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {
// How often a start without a notification area looks for one again.
constexpr int TrayWatchInterval = 2000;
} // namespace

TrayWindow::TrayWindow(const QString& programPath, const platform::Services& services,
                       QWidget* parent)
    : QWidget(parent), m_programPath(programPath), m_services(services)
{
    setObjectName(u"TForm1"_s);
    m_popupMenu1 = new QMenu(this);
    m_popupMenu1->setObjectName(u"PopupMenu1"_s);
    m_scannprocess1 = m_popupMenu1->addAction(u"Orvanel"_s);
    m_scannprocess1->setObjectName(u"scannprocess1"_s);
    connect(m_scannprocess1, &QAction::triggered, this, &TrayWindow::scannprocess1Click);
}

TrayWindow::~TrayWindow() = default;

void TrayWindow::FormCreate()
{
    QString error;
    if (!registerAutostart(&error)) {
        m_services.prompt->showError(error);
        return;
    }
    addIcon();
}

bool TrayWindow::registerAutostart(QString* error)
{
    const QString name = names::AutostartValueName;
    const auto value = m_services.autostart->value(name);
    if (value.kind == platform::AutostartEntries::Value::Kind::NotString) {
        *error = u"The autostart entry \"%1\" cannot be read: it holds no "
                 "command."_s.arg(name);
        return false;
    }
    // Exact comparison: a path that differs only in letter case is another program.
    if (value.kind == platform::AutostartEntries::Value::Kind::String &&
        value.data == m_programPath)
        return true;
    QString reason;
    if (m_services.autostart->setValue(name, m_programPath, &reason))
        return true;
    *error = u"The autostart entry \"%1\" cannot be written: %2"_s.arg(name, reason);
    return false;
}

void TrayWindow::addIcon()
{
    if (m_trayIcon)
        return;
    if (!m_services.tray || !m_services.tray->isAvailable()) {
        // A desktop whose notification area comes up after the program (a session that
        // starts its panel late) still gets the icon.
        if (!m_trayWatch) {
            m_trayWatch = new QTimer(this);
            m_trayWatch->setInterval(TrayWatchInterval);
            connect(m_trayWatch, &QTimer::timeout, this, &TrayWindow::addIcon);
            m_trayWatch->start();
        }
        return;
    }
    if (m_trayWatch)
        m_trayWatch->stop();
    m_trayIcon = new QSystemTrayIcon(AppIcons::applicationIcon(), this);
    m_trayIcon->setToolTip(u"Orvanel"_s);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &TrayWindow::trayIconActivated);
    m_trayIcon->show();
}

void TrayWindow::trayIconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Context && reason != QSystemTrayIcon::DoubleClick)
        return;
    m_services.urls->open(maker::webPage());
    // A popup closes by itself when the user clicks elsewhere.
    m_popupMenu1->popup(QCursor::pos());
}

void TrayWindow::scannprocess1Click()
{
    if (!m_mainWindow)
        return;
    if (m_mainWindow->isMinimized())
        m_mainWindow->showNormal();
    else
        m_mainWindow->show();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}

} // namespace orvanel
