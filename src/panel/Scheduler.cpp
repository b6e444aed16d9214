#include "panel/Scheduler.h"

#include "panel/StatusFlags.h"
#include "workspace/Names.h"
#include "workspace/PanelState.h"
#include "workspace/TableFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace orvanel {

std::optional<FileStamp> FileStamp::of(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileStamp{qint64(info.st_ino), qint64(info.st_size),
                     qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

namespace {

// The host lookup can block on a slow resolver: one lookup serves the ticks of a minute.
constexpr qint64 kLookupLifetimeSeconds = 60;
// A file rewritten within the file system's time resolution keeps its stamp: while the
// stamp is this young the list is read again at every tick.
constexpr qint64 kFreshStampNs = 3'000'000'000;

// Every loopback address means "no network": Debian maps the host name to 127.0.1.1.
bool isLoopback(const QString& address)
{
    const QHostAddress host(address);
    return !host.isNull() && host.isLoopback();
}

// A file this user can never open for reading and writing, as opposed to one that an
// engine holds for a moment.
bool neverOpenable(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && (!info.isFile() || !info.isReadable() || !info.isWritable());
}

} // namespace

Scheduler::Scheduler(PanelState& state, EngineControl& engines, TableFiles& tables,
                     const platform::Services& services)
    : m_state(state), m_engines(engines), m_tables(tables), m_services(services)
{
}

QString Scheduler::clockMinute() const
{
    // The minute comes from the clock itself: the locale's time text may put the hour or
    // the seconds after its first ":", or write other digits.
    if (!m_services.clock)
        return QString();
    return QString::number(m_services.clock->now().time().minute()).rightJustified(2, u'0');
}

bool Scheduler::hasAddressOtherThanLoopback()
{
    const QDateTime now = m_services.clock ? m_services.clock->now() : QDateTime();
    if (!m_lookupTime.isValid() || !now.isValid() ||
        m_lookupTime.secsTo(now) >= kLookupLifetimeSeconds || now < m_lookupTime) {
        m_lookupAddress =
            m_services.hostLookup ? m_services.hostLookup->lookup().address : QString();
        m_lookupTime = now;
    }
    // A failed lookup gives an empty address, and that counts as an address too: the
    // engines that need the network then try by themselves.
    return !isLoopback(m_lookupAddress);
}

void Scheduler::tick()
{
    m_processes.reset();
    m_lastIdleMinute = m_idleMinute;
    m_lastTickMinute = m_tickMinute;

    keepPngiAlive();

    m_tickMinute = clockMinute();
    const bool minuteChanged = m_tickMinute != m_lastTickMinute;
    if (minuteChanged)
        start(names::PopKentEngine);

    startScanAndBackups(minuteChanged);
    if (m_tickMinute == "30"_L1)
        startDatabaseUpdate();

    // While a scan runs the network engine gets no new line and nothing is ended: the
    // scan may be looking at the very programs the quarantine would end.
    if (running(names::ScanEngine))
        return;

    Q_EMIT scanIdle();
    m_idleMinute = clockMinute();
    if (m_idleMinute != m_lastIdleMinute)
        start(names::PopKentEngine);

    if (!offerStatusLine(minuteChanged))
        return;
    enforceQuarantine();
}

void Scheduler::keepPngiAlive()
{
    if (!running(names::PngiEngine) && hasAddressOtherThanLoopback())
        start(names::PngiEngine);
}

void Scheduler::startScanAndBackups(bool minuteChanged)
{
    const bool fullHour = m_tickMinute == "00"_L1 && m_lastTickMinute == "59"_L1;
    if (m_state.hourlyScan && fullHour && !running(names::ScanEngine))
        launch(u"scanwapper.exe 0"_s);

    // The set is one argument, as the backup page's button gives it: folder names keep
    // their blanks and quotes.
    const QStringList set{m_state.selectedBackupSet};
    const bool hasSet = !set.first().isEmpty();
    if (m_state.backupSchedule == BackupSchedule::EveryHour && fullHour && hasSet &&
        !running(names::BackupEngine))
        start(names::BackupEngine, set);
    if (m_state.backupSchedule == BackupSchedule::EveryMinute && minuteChanged && hasSet &&
        !running(names::BackupEngine))
        start(names::BackupEngine, set);
}

void Scheduler::startDatabaseUpdate()
{
    // Once per run, at the first half hour at which the machine has an address.
    if (hasAddressOtherThanLoopback() && !m_state.databaseUpdateStarted) {
        m_state.databaseUpdateStarted = true;
        launch(u"majbase.exe 0"_s);
    }
}

bool Scheduler::offerStatusLine(bool minuteChanged)
{
    const QString line = statusFlagsLine(m_state);
    const int level = m_state.alertLevel;
    // Level 2 offers the line once a minute, level 3 on every tick; a netpro.exe that still
    // runs has the line already and ends the tick.
    if (level == 2 && minuteChanged && !m_lastTickMinute.isEmpty()) {
        if (running(names::NetworkEngine))
            return false;
        start(names::NetworkEngine, line);
    }
    if (level == 3) {
        if (running(names::NetworkEngine))
            return false;
        start(names::NetworkEngine, line);
    }
    if (level == 2 && !minuteChanged)
        return false;
    return !running(names::NetworkEngine);
}

void Scheduler::enforceQuarantine()
{
    m_snapshot = processes();
    const QStringList* quarantined = quarantinedNames();
    // A table that cannot be read now is read again at the next tick.
    if (!quarantined)
        return;
    for (const QString& name : *quarantined) {
        if (name.isEmpty() || !m_snapshot.names.contains(name, Qt::CaseInsensitive))
            continue;
        if (!running(name))
            continue;
        // The files the scans found under this name; a name whose alerts cannot be read
        // now is left for a later tick rather than ended by its name alone.
        const std::optional<QStringList> files = detectedFilesOf(name);
        if (!files)
            continue;
        m_processes.reset();
        if (m_engines.stopQuarantined(name, *files))
            m_engines.notify(name, m_state.alertLevel);
    }
}

std::optional<QStringList> Scheduler::detectedFilesOf(const QString& name)
{
    if (!m_engines.isFree(names::AlertsTable))
        return std::nullopt;
    const std::optional<FileStamp> stamp = FileStamp::of(m_tables.path(TableId::Alerts));
    if (!stamp || stamp != m_alertsStamp || isFresh(*stamp)) {
        std::vector<std::pair<QString, QString>> detections;
        const bool read = m_tables.use(TableId::Alerts, [&detections](Table& table) {
            for (table.first(); !table.atEnd(); table.next()) {
                const QString path = table.value(u"Champ8");
                if (QDir::isAbsolutePath(path))
                    detections.emplace_back(table.value(u"Champ1").trimmed(), path);
            }
            return false;
        });
        if (stamp && !read)
            return std::nullopt;
        m_detections = std::move(detections);
        m_alertsStamp = stamp;
    }
    QStringList files;
    const QString wanted = name.trimmed();
    for (const auto& [program, path] : m_detections)
        if (program.compare(wanted, Qt::CaseInsensitive) == 0 && !files.contains(path))
            files.append(path);
    return files;
}

const QStringList* Scheduler::quarantinedNames()
{
    // A tick never waits: a file held now is tried again at a later tick, and one that
    // can never be opened is reported once.
    const QString path = m_tables.path(TableId::Quarantine);
    if (!m_engines.isFree(names::QuarantineTable)) {
        if (neverOpenable(path) && !m_quarantineReported) {
            m_quarantineReported = true;
            qWarning("%s cannot be opened: the quarantine is not enforced", qPrintable(path));
            m_engines.notify(u"quarantaines.xml illisible"_s, m_state.alertLevel);
        }
        return nullptr;
    }
    m_quarantineReported = false;
    // The list is read again only when the file changed since the last reading: the
    // engines replace it whole, which gives it a new stamp. A stamp younger than the
    // file system's time resolution may still hide a rewrite of the same size.
    const std::optional<FileStamp> stamp = FileStamp::of(path);
    if (stamp && stamp == m_quarantineStamp && !isFresh(*stamp))
        return &m_quarantined;
    QStringList names;
    const bool read = m_tables.use(TableId::Quarantine, [&names](Table& table) {
        for (table.first(); !table.atEnd(); table.next())
            names.append(table.value(u"Champ1"));
        return false;
    });
    if (!read)
        return nullptr;
    m_quarantined = names;
    m_quarantineStamp = stamp;
    return &m_quarantined;
}

bool Scheduler::isFresh(const FileStamp& stamp) const
{
    const QDateTime now = m_services.clock ? m_services.clock->now() : QDateTime();
    if (!now.isValid())
        return true;
    const qint64 nowNs = now.toMSecsSinceEpoch() * 1'000'000;
    return nowNs - stamp.modifiedNs < kFreshStampNs;
}

const ProcessSnapshot& Scheduler::processes()
{
    if (!m_processes)
        m_processes = m_engines.snapshot();
    return *m_processes;
}

bool Scheduler::running(const QString& name)
{
    // Only the user's own processes count: another account may run a program of any name.
    const ProcessSnapshot& list = processes();
    for (qsizetype i = 0; i < list.names.size(); ++i) {
        if (list.names[i].compare(name, Qt::CaseInsensitive) == 0 &&
            m_engines.isOwnProcess(list.ids[i].toLongLong()))
            return true;
    }
    return false;
}

void Scheduler::start(const QString& name, const QString& arguments)
{
    m_processes.reset();
    m_engines.start(name, arguments);
}

void Scheduler::start(const QString& name, const QStringList& arguments)
{
    m_processes.reset();
    m_engines.start(name, arguments);
}

void Scheduler::launch(const QString& commandLine)
{
    m_processes.reset();
    m_engines.launch(commandLine);
}

void Scheduler::stop(const QString& name)
{
    m_processes.reset();
    m_engines.stop(name);
}

} // namespace orvanel
