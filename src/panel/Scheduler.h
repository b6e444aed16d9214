#pragma once

#include "platform/Services.h"
#include "workspace/EngineControl.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace orvanel {

struct PanelState;
class TableFiles;

// The panel's 1500 ms timer work (Timer1Timer): keeps pngi.exe alive, starts pop_kent.exe
// once a minute, runs the hourly scan, the scheduled backups and the once-per-run database
// update, and, while no scan runs, hands the status flags line to netpro.exe and ends
// quarantined programs. Every decision is taken from the clock's minute, as two digits,
// compared between ticks; nothing is scheduled ahead, so a tick may come at any time.
// What tells one version of a file from the next: inode, size and modification time.
struct FileStamp
{
    qint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;

    static std::optional<FileStamp> of(const QString& path);
    bool operator==(const FileStamp&) const = default;
};

class Scheduler final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Scheduler)

public:
    Scheduler(PanelState& state, EngineControl& engines, TableFiles& tables,
              const platform::Services& services);

    // One tick (Timer1Timer). Never throws and reports nothing: a program that cannot be
    // started is simply tried again at the next tick that meets the conditions.
    void tick();

    // The tick values: minute digits as read from the clock text, empty before the first
    // tick.
    const QString& tickMinute() const { return m_tickMinute; }
    const QString& lastTickMinute() const { return m_lastTickMinute; }
    const QString& idleMinute() const { return m_idleMinute; }
    const QString& lastIdleMinute() const { return m_lastIdleMinute; }
    // The process snapshot taken by the last quarantine enforcement.
    const ProcessSnapshot& lastSnapshot() const { return m_snapshot; }

Q_SIGNALS:
    // Every tick during which no scan runs: the scan page's start button (BitBtn22) is
    // enabled again while that page is built.
    void scanIdle();

private:
    void keepPngiAlive();
    void startScanAndBackups(bool minuteChanged);
    void startDatabaseUpdate();
    // Steps that hand the status flags line to netpro.exe; false ends the tick.
    bool offerStatusLine(bool minuteChanged);
    void enforceQuarantine();
    // The names of quarantaines.xml, or null when the file cannot be read now.
    const QStringList* quarantinedNames();
    // The full paths alertes.xml gives (Champ8) for detections of this program name
    // (Champ1); nothing when the alerts cannot be read now.
    std::optional<QStringList> detectedFilesOf(const QString& name);
    // Whether the local host lookup gives an address other than a loopback one. The
    // lookup is made at most once a minute.
    bool hasAddressOtherThanLoopback();
    bool isFresh(const FileStamp& stamp) const;

    // Running tests within one tick share one walk of the process list until the tick
    // itself starts or ends a program: nothing else the tick does can change the list,
    // and an idle tick then costs a single walk instead of up to four.
    bool running(const QString& name);
    const ProcessSnapshot& processes();
    void start(const QString& name, const QString& arguments = QString());
    void start(const QString& name, const QStringList& arguments);
    void launch(const QString& commandLine);
    void stop(const QString& name);
    QString clockMinute() const;

    PanelState& m_state;
    EngineControl& m_engines;
    TableFiles& m_tables;
    platform::Services m_services;

    QString m_tickMinute;
    QString m_lastTickMinute;
    QString m_idleMinute;
    QString m_lastIdleMinute;
    ProcessSnapshot m_snapshot;
    std::optional<ProcessSnapshot> m_processes;            // this tick's walk, while still valid
    QStringList m_quarantined;                             // names of quarantaines.xml as last read
    std::optional<FileStamp> m_quarantineStamp;            // the file as it was then
    bool m_quarantineReported = false;                     // an unopenable list was reported
    std::vector<std::pair<QString, QString>> m_detections; // program name and file of alerts
    std::optional<FileStamp> m_alertsStamp;                // alertes.xml as it was then
    QString m_lookupAddress;                               // the last host lookup's address
    QDateTime m_lookupTime;                                // and when it was made
};

} // namespace orvanel
