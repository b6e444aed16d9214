#pragma once

#include "lang/TextTable.h"
#include "panel/Scheduler.h"
#include "platform/Services.h"
#include "workspace/EngineControl.h"
#include "workspace/HeldTableRetry.h"
#include "workspace/PanelState.h"
#include "workspace/Switches.h"
#include "workspace/TableFiles.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace orvanel {

class EngineMessages;
class VolumeArrival;

// The panel without its window: the state of one run, the table files, the engines, the
// text table, the scheduler and the messages of the system and the engines. The window
// and the pages change it only through the operations below, and follow its signals.
// Nothing here draws; the tests drive it without a window.
class Panel final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Panel)

public:
    // workspaceDir ends with "/": the folder of the program, where the engines and every
    // shared file lie.
    Panel(const QString& workspaceDir, const platform::Services& services,
          QObject* parent = nullptr);
    ~Panel() override;

    PanelState& state() { return m_state; }
    const PanelState& state() const { return m_state; }
    const TextTable& texts() const { return m_texts; }
    TextTable& texts() { return m_texts; }
    EngineControl& engines() { return m_engines; }
    TableFiles& tables() { return m_tables; }
    const platform::Services& services() const { return m_services; }
    // The services the pages see; one may be swapped before it is first used.
    platform::Services& services() { return m_services; }
    Scheduler& scheduler() { return m_scheduler; }
    // The words that name the links and memory pages in the language on show.
    const QString& linksWord() const { return m_linksWord; }
    const QString& memoryWord() const { return m_memoryWord; }
    // Takes those words again from the language code of the state.
    void refreshLanguageWords();

    // The start, in the order the engines rely on: files first, then the engines, then
    // the language. False, after the error box that says which side file could not be
    // written and why: the program then ends.
    bool prepareWorkspace();
    void openWorkspace();
    bool readCtrlpl();
    // Volume arrivals, and the engines' messages on the socket of `runtimeDir`.
    void startSystemMessages(const QString& runtimeDir);

    // The operations of the pages and the window.
    void setSwitch(Switch id, bool checked);
    // Stores the language chosen by its caption and loads its texts.
    void chooseLanguage(const QString& chosen);
    // The alert level: kept, and written to track.txt for the engines.
    void setAlertLevel(int level);
    void toggleInternet();
    // Writes the closed ports the network engine reads; false after an error box.
    bool setClosedPorts(const QStringList& ports);
    // Puts the program of an alert, as the list shows it, into quarantine and drops its
    // rules. False after an error box when a table could not be changed.
    bool quarantineProgram(const QString& shown);
    void requestTermination();

    // One scheduler tick (Timer1Timer).
    void tick() { m_scheduler.tick(); }
    // The engines the window's end and the session's end stop.
    void stopEnginesAtEnd();

Q_SIGNALS:
    void switchChanged(orvanel::Switch id, bool checked);
    // The texts of another language are loaded.
    void languageChanged();
    void internetChanged(bool on);
    void terminationRequested();
    // Every tick during which no scan runs.
    void scanIdle();

private:
    bool sideFileWritten(bool written, const QString& name, const QString& error);
    // Writes `value` (or nothing at all) to a side file; false after the error box.
    bool writeSideFile(const QString& name, const QString& value, bool empty = false);
    bool prepareSideFiles();
    bool readFirewallMode();
    void openTables();
    void loadLanguage();
    void showLanguage(const QString& code);

    platform::Services m_services;
    PanelState m_state;
    EngineControl m_engines;
    TableFiles m_tables;
    // Start-up reading of the tables an engine held when their turn came.
    HeldTableRetry m_heldTables{m_tables};
    TextTable m_texts;
    QString m_linksWord;
    QString m_memoryWord;
    Scheduler m_scheduler;
    std::unique_ptr<VolumeArrival> m_volumeArrival;
    std::unique_ptr<EngineMessages> m_engineMessages;
};

} // namespace orvanel
