// FormCreate: the main window's creation prepares the workspace for the engines, in an
// order the engines rely on (files first, then the engines, then the language).
#include "app/MainWindow.h"

#include "app/ConfigurationSwitches.h"
#include "lang/LanguageChoice.h"
#include "workspace/Names.h"
#include "workspace/SideFiles.h"

#include <QFileInfo>
#include <QSlider>

namespace orvanel {

namespace {

// Engines left over from an earlier run that the start ends before the resident ones
// are started again. netpro.exe, scanwapper.exe and serveur.exe keep running.
QStringList startStopList()
{
    return {names::DiskScanEngine, names::RealTimeEngine, names::ResolverEngine, names::NetEngine,
            names::PopKentEngine,  names::BackupEngine,   names::UpdateEngine,   names::PngiEngine};
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

    m_state.configuration = configuration::load(m_tables);
    openTables();
    ensureLanguageCode(m_tables);
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
        m_state.spamList = sidefiles::readLines(dir + names::SpamFile).value_or(QStringList());
    else if (!writeEmpty(names::SpamFile))
        return false;

    if (!QFileInfo::exists(dir + names::ScanLogFile) && !writeEmpty(names::ScanLogFile))
        return false;
    // The engines fill these two afresh in every run.
    if (!writeEmpty(names::AppPortsFile) || !writeEmpty(names::VirusFile))
        return false;

    // An empty mode.txt has no first line and is made anew like a missing one.
    if (const auto mode = sidefiles::firstLine(dir + names::ModeFile))
        m_state.mode = *mode;
    else if (!writeValue(names::ModeFile, QStringLiteral("0")))
        return false;
    else
        m_state.mode = QStringLiteral("0");

    return writeValue(names::TrackFile, QStringLiteral("2"));
}

bool MainWindow::readFirewallMode()
{
    const QString path = m_state.workspaceDir + names::FirewallFile;
    if (const auto mode = sidefiles::firstLine(path)) {
        m_state.firewallMode = *mode;
        m_state.firewall = firewallSwitchFor(*mode);
        return true;
    }
    QString error;
    m_state.firewallMode = QStringLiteral("2");
    m_state.firewall = false;
    return sideFileWritten(sidefiles::writeValue(path, m_state.firewallMode, &error),
                           names::FirewallFile, error);
}

bool MainWindow::readCtrlpl()
{
    const QString path = m_state.workspaceDir + names::CtrlplFile;
    if (const auto value = sidefiles::firstLine(path)) {
        // Anything but "0" or "1" leaves the switch as the start set it: on.
        if (*value == QLatin1String("0"))
            m_state.ctrlpl = false;
        else if (*value == QLatin1String("1"))
            m_state.ctrlpl = true;
        return true;
    }
    QString error;
    m_state.ctrlpl = false;
    return sideFileWritten(sidefiles::writeValue(path, QStringLiteral("0"), &error),
                           names::CtrlplFile, error);
}

void MainWindow::openTables()
{
    // A missing or unreadable table is made anew, empty; the engines fill it again.
    for (const TableId id :
         {TableId::Sites, TableId::Rules, TableId::Alerts, TableId::Events, TableId::Quarantine})
        m_tables.openWithRecreation(id);
    m_tables.removeQuarantineDuplicates();
}

void MainWindow::loadLanguage()
{
    QString code = QStringLiteral("FR");
    m_tables.use(TableId::Languages, [&code](Table& table) {
        table.first();
        if (!table.atEnd())
            code = table.value(u"Champ1").trimmed();
        return false;
    });
    m_state.languageCode = code;
    m_texts.load(m_state.workspaceDir, code);
    setLanguageWords(code);
    fillCategoryList();

    setCaptionAndClearEdits();
}

} // namespace orvanel
