#include "app/Scheduler.h"

#include "app/PanelState.h"
#include "app/StatusFlags.h"
#include "workspace/Names.h"
#include "workspace/TableFiles.h"

#include <QFile>

#include <sys/stat.h>

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

const QString kLoopbackAddress = QStringLiteral("127.0.0.1");

} // namespace

Scheduler::Scheduler(PanelState& state, EngineControl& engines, TableFiles& tables,
                     const platform::Services& services)
    : m_state(state), m_engines(engines), m_tables(tables), m_services(services)
{
}

QString Scheduler::minuteOf(const QString& clockText)
{
    // Without a ":" this reads the first two characters, as the minute always has been read.
    return clockText.mid(clockText.indexOf(QLatin1Char(':')) + 1, 2);
}

QString Scheduler::clockMinute() const
{
    return m_services.clock ? minuteOf(m_services.clock->longTimeText()) : QString();
}

bool Scheduler::hasAddressOtherThanLoopback() const
{
    // A failed lookup gives an empty address, and that counts as an address too: the
    // engines that need the network then try by themselves.
    const QString address =
        m_services.hostLookup ? m_services.hostLookup->lookup().address : QString();
    return address != kLoopbackAddress;
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
    if (m_tickMinute == QLatin1String("30"))
        startDatabaseUpdate();

    // While a scan runs the network engine gets no new line and nothing is ended: the
    // scan may be looking at the very programs the quarantine would end.
    if (running(names::ScanEngine))
        return;

    if (enableScanStart)
        enableScanStart();
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
    const bool fullHour =
        m_tickMinute == QLatin1String("00") && m_lastTickMinute == QLatin1String("59");
    if (m_state.hourlyScan && fullHour && !running(names::ScanEngine))
        launch(QStringLiteral("scanwapper.exe 0"));

    const QString& set = m_state.selectedBackupSet;
    if (m_state.backupSchedule == BackupSchedule::EveryHour && fullHour && !set.isEmpty() &&
        !running(names::BackupEngine))
        start(names::BackupEngine, set);
    if (m_state.backupSchedule == BackupSchedule::EveryMinute && minuteChanged && !set.isEmpty() &&
        !running(names::BackupEngine))
        start(names::BackupEngine, set);
}

void Scheduler::startDatabaseUpdate()
{
    // Once per run, at the first half hour at which the machine has an address.
    if (hasAddressOtherThanLoopback() && !m_state.databaseUpdateStarted) {
        m_state.databaseUpdateStarted = true;
        launch(QStringLiteral("majbase.exe 0"));
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
        if (running(name)) {
            stop(name);
            m_engines.notify(name, m_state.alertLevel);
        }
    }
}

const QStringList* Scheduler::quarantinedNames()
{
    // The list is read again only when the file changed since the last reading: the
    // engines replace it whole, which gives it a new stamp.
    if (!m_engines.waitUntilFree(names::QuarantineTable))
        return nullptr;
    const std::optional<FileStamp> stamp = FileStamp::of(m_tables.path(TableId::Quarantine));
    if (stamp && stamp == m_quarantineStamp)
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

const ProcessSnapshot& Scheduler::processes()
{
    if (!m_processes)
        m_processes = m_engines.snapshot();
    return *m_processes;
}

bool Scheduler::running(const QString& name)
{
    return processes().names.contains(name, Qt::CaseInsensitive);
}

void Scheduler::start(const QString& name, const QString& arguments)
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
