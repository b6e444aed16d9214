#pragma once

#include "pages/PageHost.h"
#include "pages/PanelContext.h"
#include "panel/Panel.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QStatusBar;

namespace orvanel {

class CategoryList;

// The main window (TForm2): the category list on the left, one page at a time on the
// right, the alert level and the Internet button below. It shows the panel's core, which
// it owns for the whole run, and hands its clicks to it. Closing it only hides it; the
// notification area's menu shows it again.
class MainWindow final : public QWidget, public PanelContext
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    // workspaceDir ends with "/": the folder of the program, where the engines and every
    // shared file lie.
    MainWindow(const QString& workspaceDir, const platform::Services& services,
               QWidget* parent = nullptr);
    // FormDestroy runs here when it has not run yet.
    ~MainWindow() override;

    // Prepares the workspace, restarts the resident engines, loads the language and
    // opens on the dashboard. Answers false, after reporting which file could not be
    // written and why, when a side file cannot be written: the program then ends
    // instead of staying resident without a window.
    bool FormCreate();

    // Tells whether the notification-area icon is there to bring the window back after
    // a close. Without this query the window goes by the tray's availability.
    void setIconShown(std::function<bool()> query) { m_iconShown = std::move(query); }

    // Stops Timer1 and the engines and frees every page. Runs once.
    void FormDestroy();

    // The session is ending: the default answer (the session may end), then the engines
    // of FormDestroy's list are stopped.
    void WMQueryEndSession();

    // Handlers of the fixed controls.
    void ListBox1Click();
    void TrackBar1Change(int position);
    void BitBtn15Click();
    void Timer1Timer();

    QTimer* timer1() const { return m_timer1; }

    PageHost& pageHost() { return m_pageHost; }
    Scheduler& scheduler() { return m_panel.scheduler(); }
    const QString& linksWord() const { return m_panel.linksWord(); }
    const QString& memoryWord() const { return m_panel.memoryWord(); }

    // PanelContext
    Panel& panel() override { return m_panel; }
    QWidget* window() override { return this; }
    QPointer<QLineEdit>& editSlot(int number) override;

Q_SIGNALS:
    // The quit entry asked the program to end; main() quits the event loop, and the
    // window's destruction then runs.
    void terminationRequested();

protected:
    // FormClose.
    void closeEvent(QCloseEvent* event) override;
    // The scheduler starts with the first showing of the window, once the workspace is
    // prepared, and runs from then on, shown or hidden.
    void showEvent(QShowEvent* event) override;

private:
    // Fixed controls (MainWindowControls.cpp).
    void createControls();
    void createLevelControls();
    void createHiddenControls();
    void showLevelControls();
    void fillCategoryList();
    // The caption that selects a page or entry in the language on show.
    QString keyText(const PageKey& key) const;
    void setLevelCaption(QLabel* label, const QString& text);
    void setCaptionAndClearEdits();

    Panel m_panel;
    bool m_destroyed = false;

    QFrame* m_shape1 = nullptr;
    CategoryList* m_listBox1 = nullptr;
    QLabel* m_label10 = nullptr;
    QLabel* m_label11 = nullptr;
    QLabel* m_label12 = nullptr;
    QFrame* m_bevel2 = nullptr;
    QSlider* m_trackBar1 = nullptr;
    QPushButton* m_bitBtn15 = nullptr;
    QStatusBar* m_statusBar1 = nullptr;
    QPointer<QLineEdit> m_edit1;
    QPointer<QLineEdit> m_edit2;
    QPointer<QLineEdit> m_edit3;
    QListWidget* m_fileListBox5 = nullptr;
    QTimer* m_timer1 = nullptr;
    // A second after the last page was torn down, its memory goes back to the system.
    QTimer m_heapRelease;

    PageHost m_pageHost;
    std::function<bool()> m_iconShown;
};

} // namespace orvanel
