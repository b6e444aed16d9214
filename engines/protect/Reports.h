#pragma once

#include "protect/EngineContext.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace orvanel::engines {

// One file a scan found, with the name of the signature that matched.
struct Detection
{
    QString path;
    QString signature;
};

// How an engine tells the panel and the user: lines of the scan log anaviri.txt, names in
// viri.txt (the dashboard turns red), rows of alertes.xml and notifications through
// msgs.exe at the alert level of track.txt. Failures are written to standard error; an
// engine goes on with its work.
class Reports final
{
public:
    explicit Reports(EngineContext context);

    // Adds lines to the scan log, each after the time; the newest 5,000 lines are kept.
    void log(const QStringList& lines);
    // Adds the detections to viri.txt and alertes.xml (one name and one row each).
    void record(const std::vector<Detection>& found);
    // A notification through msgs.exe, blanks made ";", when the level is above 1.
    void notify(const QString& text);

    // The alert level "1" to "3" of track.txt; 2 (the panel's default) when unreadable.
    int alertLevel() const;

    // "<short date> <long time>" in the system's formats, as the alert rows hold it.
    static QString dateTimeText(const QDateTime& when);
    static QString dateText(const QDateTime& when);

private:
    void addVirusNames(const std::vector<Detection>& found);
    void addAlertRows(const std::vector<Detection>& found);

    EngineContext m_context;
};

} // namespace orvanel::engines
