// FormCreate: the main window's creation prepares the workspace for the engines, in an
// order the engines rely on (files first, then the engines, then the language).
#include "app/MainWindow.h"

#include "app/ConfigurationSwitches.h"
#include "lang/LanguageChoice.h"
#include "lang/Languages.h"
#include "workspace/Names.h"
#include "workspace/SideFiles.h"

#include <QFileInfo>
#include <QSlider>

#include <optional>

namespace orvanel {

using namespace Qt::StringLiterals;

namespace {

// Engines left over from an earlier run that the start ends before the resident ones
// are started again. netpro.exe, scanwapper.exe and serveur.exe keep running.
QStringList startStopList()
{
    return {names::DiskScanEngine, names::RealTimeEngine, names::ResolverEngine, names::NetEngine,
            names::PopKentEngine,  names::BackupEngine,   names::UpdateEngine,   names::PngiEngine};
}

// The lines of a side file the start reads; none for a missing or empty file, and none
// for one that cannot be read (it is then made anew like a missing one). Nothing at all
// for a named pipe, a device, a folder or a file far too long in its place: that is
// reported and left where it is, and the start goes on with the default value.
std::optional<QStringList> readSideFile(EngineControl& engines, const PanelState& state,
                                        const QString& name)
{
    sidefiles::ReadLines file = sidefiles::read(state.workspaceDir + name);
    switch (file.status) {
    case files::ReadStatus::Read:
        return std::move(file.lines);
    case files::ReadStatus::NotAFile:
    case files::ReadStatus::TooLarge:
        engines.reportUnreadable(name, file.error, state.alertLevel);
        return std::nullopt;
    case files::ReadStatus::Missing:
    case files::ReadStatus::Failed:
        break;
    }
    return QStringList();
}

// Whether start-up work on a table is done: it is, unless the table was held after all.
bool doneUnlessHeld(TableFiles& tables, TableId id, bool done)
{
    return done || !tables.isHeld(id);
}

} // namespace

bool MainWindow::FormCreate()
{
    m_state.startTime = m_services.clock->now();
    m_state.databaseUpdateStarted = false;
    m_state.protocols.fill(false);
    m_state.ctrlpl = true;
    m_state.hourlyScan = true;

    if (!prepareSideFiles() || !readFirewallMode())
        return false;
    stopEngines(startStopList());

    m_trackBar1->setValue(2); // TrackBar1Change writes "2" to track.txt
    m_state.internet = true;
    m_pageHost.reset();
    showLevelControls();

    // Tables an engine holds are read once it lets go: the window does not wait for them.
    openTables();
    ensureLanguageCode(m_tables, FreeWait::None);
    // Started only now: they read the files prepared above.
    m_engines.start(names::RealTimeEngine);
    m_engines.start(names::PngiEngine);
    loadLanguage();

    if (!readCtrlpl())
        return false;
    m_pageHost.buildFramed(pageTable().front(), BuildOrigin::StartUp);
    startSystemMessages();
    show();
    return true;
}

bool MainWindow::sideFileWritten(bool written, const QString& name, const QString& error)
{
    if (!written) {
        m_services.prompt->showError(
            QStringLiteral("%1 cannot be written: %2").arg(m_state.workspaceDir + name, error));
    }
    return written;
}

bool MainWindow::prepareSideFiles()
{
    const QString& dir = m_state.workspaceDir;
    QString error;
    const auto writeEmpty = [&](const QString& name) {
        return sideFileWritten(sidefiles::writeEmpty(dir + name, &error), name, error);
    };
    const auto writeValue = [&](const QString& name, const QString& value) {
        return sideFileWritten(sidefiles::writeValue(dir + name, value, &error), name, error);
    };

    // An existing spam.txt is only read, even when reading fails: it is the engines'.
    if (QFileInfo::exists(dir + names::SpamFile))
        m_state.spamList =
            readSideFile(m_engines, m_state, names::SpamFile).value_or(QStringList());
    else if (!writeEmpty(names::SpamFile))
        return false;

    if (!QFileInfo::exists(dir + names::ScanLogFile) && !writeEmpty(names::ScanLogFile))
        return false;
    // The engines fill these two afresh in every run.
    if (!writeEmpty(names::AppPortsFile) || !writeEmpty(names::VirusFile))
        return false;

    // An empty mode.txt has no first line and is made anew like a missing one.
    const std::optional<QStringList> mode = readSideFile(m_engines, m_state, names::ModeFile);
    m_state.mode = mode && !mode->isEmpty() ? mode->first() : u"0"_s;
    if (mode && mode->isEmpty() && !writeValue(names::ModeFile, m_state.mode))
        return false;

    return writeValue(names::TrackFile, u"2"_s);
}

bool MainWindow::readFirewallMode()
{
    const std::optional<QStringList> lines = readSideFile(m_engines, m_state, names::FirewallFile);
    m_state.firewallMode = lines && !lines->isEmpty() ? lines->first() : u"2"_s;
    m_state.firewall = firewallSwitchFor(m_state.firewallMode);
    if (!lines || !lines->isEmpty())
        return true;
    QString error;
    return sideFileWritten(sidefiles::writeValue(m_state.workspaceDir + names::FirewallFile,
                                                 m_state.firewallMode, &error),
                           names::FirewallFile, error);
}

bool MainWindow::readCtrlpl()
{
    const std::optional<QStringList> lines = readSideFile(m_engines, m_state, names::CtrlplFile);
    if (lines && !lines->isEmpty()) {
        // Anything but "0" or "1" leaves the switch as the start set it: on.
        if (lines->first() == "0"_L1)
            m_state.ctrlpl = false;
        else if (lines->first() == "1"_L1)
            m_state.ctrlpl = true;
        return true;
    }
    m_state.ctrlpl = false;
    if (!lines)
        return true;
    QString error;
    return sideFileWritten(
        sidefiles::writeValue(m_state.workspaceDir + names::CtrlplFile, u"0"_s, &error),
        names::CtrlplFile, error);
}

void MainWindow::openTables()
{
    // Switches an engine holds stay unread, and are never written as the defaults in
    // memory, until the file is free (a switch click reads them first if it comes
    // earlier).
    m_state.configurationRead = false;
    m_heldTables.runWhenFree(TableId::Configuration, [this] {
        if (m_state.configurationRead)
            return true;
        const std::optional<Switches> switches = configuration::load(m_tables);
        if (!switches)
            return false;
        m_state.switches = *switches;
        m_state.configurationRead = true;
        return true;
    });
    // A missing or unreadable table is made anew, empty; the engines fill it again.
    for (const TableId id : {TableId::Sites, TableId::Rules, TableId::Alerts, TableId::Events}) {
        m_heldTables.runWhenFree(id, [this, id] {
            return doneUnlessHeld(m_tables, id,
                                  m_tables.openWithRecreation(id, nullptr, FreeWait::None));
        });
    }
    m_heldTables.runWhenFree(TableId::Quarantine, [this] {
        const bool done =
            m_tables.openWithRecreation(TableId::Quarantine, nullptr, FreeWait::None) &&
            m_tables.removeQuarantineDuplicates(nullptr, FreeWait::None);
        return doneUnlessHeld(m_tables, TableId::Quarantine, done);
    });
}

void MainWindow::loadLanguage()
{
    const auto show = [this](const QString& code) {
        m_state.languageCode = code;
        QString error;
        m_texts.load(m_state.workspaceDir, code, &error);
        if (!error.isEmpty())
            m_engines.reportUnreadable(findLanguage(code)->languageFile, error, m_state.alertLevel);
        setLanguageWords(code);
        fillCategoryList();
        setCaptionAndClearEdits();
    };
    // While an engine holds langues.xml the window opens in French, and takes the stored
    // language as soon as the file is free.
    const std::optional<QString> stored = ensureLanguageCode(m_tables, FreeWait::None);
    show(stored.value_or(u"FR"_s));
    if (stored)
        return;
    m_heldTables.runWhenFree(TableId::Languages, [this, show] {
        const std::optional<QString> code = ensureLanguageCode(m_tables, FreeWait::None);
        if (code && *code != m_state.languageCode)
            show(*code);
        return code.has_value();
    });
}

} // namespace orvanel
