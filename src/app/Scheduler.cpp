#include "app/Scheduler.h"

#include "app/PanelState.h"
#include "app/StatusFlags.h"
#include "workspace/Names.h"
#include "workspace/TableFiles.h"

namespace orvanel {

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
    m_lastIdleMinute = m_idleMinute;
    m_lastTickMinute = m_tickMinute;

    keepPngiAlive();

    m_tickMinute = clockMinute();
    const bool minuteChanged = m_tickMinute != m_lastTickMinute;
    if (minuteChanged)
        m_engines.start(names::PopKentEngine);

    startScanAndBackups(minuteChanged);
    if (m_tickMinute == QLatin1String("30"))
        startDatabaseUpdate();

    // While a scan runs the network engine gets no new line and nothing is ended: the
    // scan may be looking at the very programs the quarantine would end.
    if (m_engines.isRunning(names::ScanEngine))
        return;

    if (enableScanStart)
        enableScanStart();
    m_idleMinute = clockMinute();
    if (m_idleMinute != m_lastIdleMinute)
        m_engines.start(names::PopKentEngine);

    if (!offerStatusLine(minuteChanged))
        return;
    enforceQuarantine();
}

void Scheduler::keepPngiAlive()
{
    if (!m_engines.isRunning(names::PngiEngine) && hasAddressOtherThanLoopback())
        m_engines.start(names::PngiEngine);
}

void Scheduler::startScanAndBackups(bool minuteChanged)
{
    const bool fullHour =
        m_tickMinute == QLatin1String("00") && m_lastTickMinute == QLatin1String("59");
    if (m_state.hourlyScan && fullHour && !m_engines.isRunning(names::ScanEngine))
        m_engines.launch(QStringLiteral("scanwapper.exe 0"));

    const QString& set = m_state.selectedBackupSet;
    if (m_state.backupSchedule == BackupSchedule::EveryHour && fullHour && !set.isEmpty() &&
        !m_engines.isRunning(names::BackupEngine))
        m_engines.start(names::BackupEngine, set);
    if (m_state.backupSchedule == BackupSchedule::EveryMinute && minuteChanged && !set.isEmpty() &&
        !m_engines.isRunning(names::BackupEngine))
        m_engines.start(names::BackupEngine, set);
}

void Scheduler::startDatabaseUpdate()
{
    // Once per run, at the first half hour at which the machine has an address.
    if (hasAddressOtherThanLoopback() && !m_state.databaseUpdateStarted) {
        m_state.databaseUpdateStarted = true;
        m_engines.launch(QStringLiteral("majbase.exe 0"));
    }
}

bool Scheduler::offerStatusLine(bool minuteChanged)
{
    const QString line = statusFlagsLine(m_state);
    const int level = m_state.alertLevel;
    // Level 2 offers the line once a minute, level 3 on every tick; a netpro.exe that still
    // runs has the line already and ends the tick.
    if (level == 2 && minuteChanged && !m_lastTickMinute.isEmpty()) {
        if (m_engines.isRunning(names::NetworkEngine))
            return false;
        m_engines.start(names::NetworkEngine, line);
    }
    if (level == 3) {
        if (m_engines.isRunning(names::NetworkEngine))
            return false;
        m_engines.start(names::NetworkEngine, line);
    }
    if (level == 2 && !minuteChanged)
        return false;
    return !m_engines.isRunning(names::NetworkEngine);
}

void Scheduler::enforceQuarantine()
{
    m_snapshot = m_engines.snapshot();
    QStringList quarantined;
    const bool read = m_tables.use(TableId::Quarantine, [&quarantined](Table& table) {
        for (table.first(); !table.atEnd(); table.next())
            quarantined.append(table.value(u"Champ1"));
        return false;
    });
    // A table that cannot be read now is read again at the next tick.
    if (!read)
        return;
    for (const QString& name : std::as_const(quarantined)) {
        if (name.isEmpty() || !m_snapshot.names.contains(name, Qt::CaseInsensitive))
            continue;
        if (m_engines.isRunning(name)) {
            m_engines.stop(name);
            m_engines.notify(name, m_state.alertLevel);
        }
    }
}

} // namespace orvanel
