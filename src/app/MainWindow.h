#pragma once

#include "app/Scheduler.h"
#include "lang/TextTable.h"
#include "pages/PageHost.h"
#include "pages/PanelContext.h"
#include "platform/Services.h"
#include "workspace/EngineControl.h"
#include "workspace/HeldTableRetry.h"
#include "workspace/PanelState.h"
#include "workspace/TableFiles.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QStatusBar;

namespace orvanel {

class CategoryList;
class EngineMessages;
class VolumeArrival;

// The main window (TForm2): the category list on the left, one page at a time on the
// right, the alert level and the Internet button below. It owns the panel's state, the
// table files, the text table and the scheduler for the whole run. Closing it only
// hides it; the notification area's menu shows it again.
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
    Scheduler& scheduler() { return m_scheduler; }
    const QString& linksWord() const { return m_linksWord; }
    const QString& memoryWord() const { return m_memoryWord; }

    // PanelContext
    PanelState& state() override { return m_state; }
    const TextTable& texts() const override { return m_texts; }
    EngineControl& engines() override { return m_engines; }
    TableFiles& tables() override { return m_tables; }
    const platform::Services& services() const override { return m_services; }
    QWidget* window() override { return this; }
    void switchClicked(Switch id, bool checked) override;
    void requestTermination() override;
    void applyLanguage(const QString& chosen) override;
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
    void setLanguageWords(const QString& code);
    void setCaptionAndClearEdits();

    // Steps of FormCreate (MainWindowCreate.cpp).
    bool prepareSideFiles();
    bool readFirewallMode();
    bool readCtrlpl();
    void openTables();
    void loadLanguage();
    void stopEngines(const QStringList& names);
    // Volume arrivals and the engines' messages (MainWindowMessages.cpp).
    void startSystemMessages();
    bool sideFileWritten(bool written, const QString& name, const QString& error);

    platform::Services m_services;
    PanelState m_state;
    EngineControl m_engines;
    TableFiles m_tables;
    // Start-up reading of the tables an engine held when their turn came.
    HeldTableRetry m_heldTables{m_tables};
    TextTable m_texts;
    QString m_linksWord;
    QString m_memoryWord;
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

    PageHost m_pageHost;
    Scheduler m_scheduler;
    std::function<bool()> m_iconShown;
    std::unique_ptr<VolumeArrival> m_volumeArrival;
    std::unique_ptr<EngineMessages> m_engineMessages;
};

} // namespace orvanel
