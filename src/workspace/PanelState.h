#pragma once

#include "workspace/Switches.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>

namespace orvanel {

// How often the scheduler runs the selected backup set.
enum class BackupSchedule { Never, EveryMinute, EveryHour };

// The panel's state that outlives pages: switches the pages set and the scheduler reads.
// One instance, owned by the main window for the whole run.
struct PanelState
{
    QString workspaceDir; // ends with "/"
    QDateTime startTime;

    // Firewall mode as read from firewall.txt ("1", "2" or "3", kept as read) and the
    // switch derived from it: on for "1" and "3".
    QString firewallMode = QStringLiteral("2");
    bool firewall = false;

    // FTP, TELNET, SMTP, DNS, HTTP, HTTPS, POP3.
    std::array<bool, 7> protocols{};
    bool internet = true;
    bool ctrlpl = false;
    bool hourlyScan = true;
    bool networkCheck = false;  // network options page, check switch
    bool networkChoice = false; // network options page, choice switch
    bool databaseUpdateStarted = false;

    // The configuration switches of configuration.xml, the default row's until read.
    Switches switches = Switches::defaults();
    // False while configuration.xml, held by an engine at start-up, has not been read:
    // the switches above are then only defaults and must never be written as they are.
    bool configurationRead = true;

    BackupSchedule backupSchedule = BackupSchedule::Never;
    QString selectedBackupSet;
    // The backup page's check box, kept while the page comes and goes; nothing reads it.
    bool backupPageCheck = true;

    QString languageCode = QStringLiteral("FR");
    QString mode;         // first line of mode.txt, kept but unused
    QStringList spamList; // lines of spam.txt

    // Alert level 1 to 3: the position of TrackBar1.
    int alertLevel = 2;

    bool siteFilter() const { return switches.on(Switch::SiteFilter); }
};

// Firewall switch for a firewall mode: on for "1" and "3", off for anything else.
inline bool firewallSwitchFor(const QString& mode)
{
    return mode == QLatin1String("1") || mode == QLatin1String("3");
}

} // namespace orvanel
