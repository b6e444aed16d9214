#pragma once

#include "platform/Services.h"

#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

class QAction;
class QMenu;
class QTimer;

namespace orvanel {

// The hidden application window (TForm1). It is never shown: its face is the
// notification-area icon and the one-item menu that brings the main window back after
// the user closed it. It also registers the program to start with the session.
class TrayWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayWindow)

public:
    // programPath: the program file, as the session's autostart entry runs it.
    TrayWindow(const QString& programPath, const platform::Services& services,
               QWidget* parent = nullptr);
    ~TrayWindow() override;

    // Registers the autostart entry, then adds the icon. When the entry cannot be read
    // or written the reason is shown and the icon is not added; the start goes on.
    void FormCreate();

    // The window scannprocess1 shows.
    void setMainWindow(QWidget* window) { m_mainWindow = window; }

    // The icon's mouse events: a right click or a double click opens the maker's web
    // page and pops the menu up at the cursor; a single left click does nothing.
    void trayIconActivated(QSystemTrayIcon::ActivationReason reason);

    // Menu item "Orvanel": shows the main window and brings it forward.
    void scannprocess1Click();

    QMenu* popupMenu1() const { return m_popupMenu1; }
    QAction* scannprocess1() const { return m_scannprocess1; }
    // The icon, once added; null before (no notification area yet, or the autostart
    // entry failed).
    QSystemTrayIcon* trayIcon() const { return m_trayIcon; }
    // Whether the icon is there to bring the main window back.
    bool hasIcon() const { return m_trayIcon != nullptr; }

private:
    // Step 1: the autostart value "Orvanel" holds the program path. Answers false with
    // the reason when it cannot be read or written.
    bool registerAutostart(QString* error);
    // Step 2: adds the icon when the desktop offers a notification area; otherwise
    // watches for one to appear.
    void addIcon();

    QString m_programPath;
    platform::Services m_services;
    QPointer<QWidget> m_mainWindow;
    QMenu* m_popupMenu1 = nullptr;
    QAction* m_scannprocess1 = nullptr;
    QSystemTrayIcon* m_trayIcon = nullptr;
    QTimer* m_trayWatch = nullptr;
};

} // namespace orvanel
