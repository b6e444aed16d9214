#include "panel/Panel.h"

#include "events/EngineMessages.h"
#include "events/VolumeArrival.h"
#include "lang/LanguageChoice.h"
#include "lang/Languages.h"
#include "panel/ConfigurationSwitches.h"
#include "workspace/Names.h"
#include "workspace/SideFiles.h"

#include <QFileInfo>
#include <QtDebug>

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

// The engines the window's destruction and the end of the session stop, in this order.
// netpro.exe and serveur.exe are not among them: only the quit entry ends those.
QStringList endStopList()
{
    return {names::DiskScanEngine, names::ScanEngine,   names::RealTimeEngine,
            names::ResolverEngine, names::NetEngine,    names::PopKentEngine,
            names::BackupEngine,   names::UpdateEngine, names::NetstatEngine,
            names::PngiEngine};
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

// A program name as the alerts list shows it, without the blanks and control characters
// around it.
QString trimmedSubject(const QString& subject)
{
    qsizetype begin = 0;
    qsizetype end = subject.size();
    while (begin < end && subject[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && subject[end - 1].unicode() <= u' ')
        --end;
    return subject.mid(begin, end - begin);
}

// Whether start-up work on a table is done: it is, unless the table was held after all.
bool doneUnlessHeld(TableFiles& tables, TableId id, bool done)
{
    return done || !tables.isHeld(id);
}

} // namespace

Panel::Panel(const QString& workspaceDir, const platform::Services& services, QObject* parent)
    : QObject(parent), m_services(services),
      m_engines(workspaceDir, *services.processes, *services.spawner, *services.probe),
      m_tables(workspaceDir, m_engines, [this] { return m_state.alertLevel; }),
      m_scheduler(m_state, m_engines, m_tables, m_services)
{
    m_state.workspaceDir = workspaceDir;
    connect(&m_scheduler, &Scheduler::scanIdle, this, &Panel::scanIdle);
}

Panel::~Panel() = default;

bool Panel::sideFileWritten(bool written, const QString& name, const QString& error)
{
    if (!written) {
        m_services.prompt->showError(
            u"%1 cannot be written: %2"_s.arg(m_state.workspaceDir + name, error));
    }
    return written;
}

bool Panel::prepareWorkspace()
{
    m_state.startTime = m_services.clock->now();
    m_state.databaseUpdateStarted = false;
    m_state.protocols.fill(false);
    m_state.ctrlpl = true;
    m_state.hourlyScan = true;
    if (!prepareSideFiles() || !readFirewallMode())
        return false;
    m_engines.stop(startStopList());
    m_state.internet = true;
    return true;
}

bool Panel::writeSideFile(const QString& name, const QString& value, bool empty)
{
    QString error;
    const QString path = m_state.workspaceDir + name;
    // Side files the start writes hold defaults, or the level every start writes: a start
    // after a crash that lost them writes them again, so they do not wait for the disk.
    const bool written = empty ? sidefiles::writeEmpty(path, &error)
                               : sidefiles::writeValue(path, value, &error, files::Flush::None);
    return sideFileWritten(written, name, error);
}

bool Panel::prepareSideFiles()
{
    const QString& dir = m_state.workspaceDir;
    // An existing spam.txt is only read, even when reading fails: it is the engines'.
    if (QFileInfo::exists(dir + names::SpamFile))
        m_state.spamList =
            readSideFile(m_engines, m_state, names::SpamFile).value_or(QStringList());
    else if (!writeSideFile(names::SpamFile, {}, true))
        return false;

    if (!QFileInfo::exists(dir + names::ScanLogFile) &&
        !writeSideFile(names::ScanLogFile, {}, true))
        return false;
    // The engines fill these two afresh in every run.
    if (!writeSideFile(names::AppPortsFile, {}, true) || !writeSideFile(names::VirusFile, {}, true))
        return false;

    // An empty mode.txt has no first line and is made anew like a missing one.
    const std::optional<QStringList> mode = readSideFile(m_engines, m_state, names::ModeFile);
    m_state.mode = mode && !mode->isEmpty() ? mode->first() : u"0"_s;
    if (mode && mode->isEmpty() && !writeSideFile(names::ModeFile, m_state.mode))
        return false;
    m_state.alertLevel = 2;
    return writeSideFile(names::TrackFile, u"2"_s);
}

bool Panel::readFirewallMode()
{
    const std::optional<QStringList> lines = readSideFile(m_engines, m_state, names::FirewallFile);
    m_state.firewallMode = lines && !lines->isEmpty() ? lines->first() : u"2"_s;
    m_state.firewall = firewallSwitchFor(m_state.firewallMode);
    return !lines || !lines->isEmpty() || writeSideFile(names::FirewallFile, m_state.firewallMode);
}

void Panel::openWorkspace()
{
    // Tables an engine holds are read once it lets go: the window does not wait for them.
    openTables();
    ensureLanguageCode(m_tables, FreeWait::None);
    // Started only now: they read the files prepared above.
    m_engines.start(names::RealTimeEngine);
    m_engines.start(names::PngiEngine);
    loadLanguage();
}

bool Panel::readCtrlpl()
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
    return writeSideFile(names::CtrlplFile, u"0"_s);
}

void Panel::openTables()
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

void Panel::showLanguage(const QString& code)
{
    m_state.languageCode = code;
    QString error;
    m_texts.load(m_state.workspaceDir, code, &error);
    if (!error.isEmpty())
        m_engines.reportUnreadable(findLanguage(code)->languageFile, error, m_state.alertLevel);
    refreshLanguageWords();
    Q_EMIT languageChanged();
}

void Panel::loadLanguage()
{
    // While an engine holds langues.xml the window opens in French, and takes the stored
    // language as soon as the file is free.
    const std::optional<QString> stored = ensureLanguageCode(m_tables, FreeWait::None);
    showLanguage(stored.value_or(u"FR"_s));
    if (stored)
        return;
    m_heldTables.runWhenFree(TableId::Languages, [this] {
        const std::optional<QString> code = ensureLanguageCode(m_tables, FreeWait::None);
        if (code && *code != m_state.languageCode)
            showLanguage(*code);
        return code.has_value();
    });
}

void Panel::refreshLanguageWords()
{
    if (const LanguageInfo* language = findLanguage(m_state.languageCode)) {
        m_linksWord = language->linksWord;
        m_memoryWord = language->memoryWord;
    }
}

void Panel::chooseLanguage(const QString& chosen)
{
    QString error;
    const std::optional<QString> code = storeLanguageChoice(m_tables, chosen, &error);
    if (!code) {
        if (!error.isEmpty())
            m_services.prompt->showError(error);
        return;
    }
    m_state.languageCode = *code;
    m_texts.load(m_state.workspaceDir, *code);
    refreshLanguageWords();
    Q_EMIT languageChanged();
}

void Panel::startSystemMessages(const QString& runtimeDir)
{
    if (!m_volumeArrival)
        m_volumeArrival = std::make_unique<VolumeArrival>(m_texts, m_engines, m_services);
    if (m_engineMessages)
        return;
    m_engineMessages = std::make_unique<EngineMessages>(m_engines, m_state);
    QString error;
    // Without the socket the engines' messages go unheard; the panel works on.
    if (runtimeDir.isEmpty() ||
        !m_engineMessages->listen(runtimeDir + u'/' + names::EngineMessageSocket, &error))
        qWarning("%s", qPrintable(error));
}

void Panel::setSwitch(Switch id, bool checked)
{
    configuration::switchClicked(m_state, id, checked, m_engines, m_tables, *m_services.prompt);
    Q_EMIT switchChanged(id, checked);
}

void Panel::setAlertLevel(int level)
{
    m_state.alertLevel = level;
    QString error;
    const QString path = m_state.workspaceDir + names::TrackFile;
    if (!sidefiles::writeValue(path, QString::number(level), &error))
        m_services.prompt->showError(u"%1: %2"_s.arg(path, error));
}

void Panel::toggleInternet()
{
    m_state.internet = !m_state.internet;
    Q_EMIT internetChanged(m_state.internet);
}

bool Panel::setClosedPorts(const QStringList& ports)
{
    QString error;
    if (sidefiles::writeLines(m_state.workspaceDir + names::ClosedPortsFile, ports, &error))
        return true;
    m_services.prompt->showError(error);
    return false;
}

bool Panel::quarantineProgram(const QString& shown)
{
    const QString name = trimmedSubject(shown);
    bool known = false;
    QString error;
    // The quarantine list keeps the name as it was shown; the look-up is by the trimmed
    // name, as the scheduler compares running programs with it.
    bool ok = m_tables.use(
        TableId::Quarantine,
        [&](Table& table) {
            const int field = table.fieldIndexOf(u"Champ1");
            for (int record = 0; record < table.recordCount() && !known; ++record)
                known = table.valueAt(record, field) == name;
            if (known)
                return false;
            table.insert();
            table.setValue(u"Champ1", shown);
            table.post();
            return true;
        },
        &error);
    if (ok && !known) {
        ok = m_tables.use(
            TableId::Rules,
            [&name](Table& table) {
                const int field = table.fieldIndexOf(u"Champ1");
                for (int record = table.recordCount() - 1; record >= 0; --record) {
                    if (table.valueAt(record, field) == name)
                        table.removeAt(record);
                }
                return true;
            },
            &error);
    }
    if (!ok)
        m_services.prompt->showError(error);
    return ok;
}

void Panel::requestTermination()
{
    Q_EMIT terminationRequested();
}

void Panel::stopEnginesAtEnd()
{
    m_engines.stop(endStopList());
}

} // namespace orvanel
