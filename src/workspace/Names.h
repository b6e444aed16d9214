#pragma once

// The names of every file and program the panel shares with the engines. The engines
// look for exactly these names in the workspace directory, so they are written once here.

#include <QLatin1StringView>

#include <array>

namespace orvanel::names {

using namespace Qt::StringLiterals;

// Table files
inline constexpr auto RulesTable = "regles.xml"_L1;
inline constexpr auto AlertsTable = "alertes.xml"_L1;
inline constexpr auto EventsTable = "evenements.xml"_L1;
inline constexpr auto QuarantineTable = "quarantaines.xml"_L1;
inline constexpr auto LanguageTable = "langues.xml"_L1;
inline constexpr auto SitesTable = "site.xml"_L1;
inline constexpr auto ConfigurationTable = "configuration.xml"_L1;

// Side files
inline constexpr auto SpamFile = "spam.txt"_L1;
inline constexpr auto ScanLogFile = "anaviri.txt"_L1;
inline constexpr auto VirusFile = "viri.txt"_L1;
inline constexpr auto AppPortsFile = "portappli.txt"_L1;
inline constexpr auto ClosedPortsFile = "portsfermes.txt"_L1;
inline constexpr auto ModeFile = "mode.txt"_L1;
inline constexpr auto TrackFile = "track.txt"_L1;
inline constexpr auto FirewallFile = "firewall.txt"_L1;
inline constexpr auto CtrlplFile = "ctrlpl.txt"_L1;
inline constexpr auto ScanTypeFile = "analyse.txt"_L1;
inline constexpr auto FoundFilesFile = "liste2.txt"_L1;
// The folder search engine's record of the chosen folder's files (step 1).
inline constexpr auto DuplicateRecordFile = "scandisk-record.txt"_L1;
inline constexpr auto ResolvedAddressFile = "ipcp.txt"_L1;
// Present once the web sites page has shown the limits of site blocking.
inline constexpr auto SiteNoticeFile = ".sitesnotice"_L1;

// Engine programs
inline constexpr auto RealTimeEngine = "tempsreel.exe"_L1;
inline constexpr auto PngiEngine = "pngi.exe"_L1;
inline constexpr auto PopKentEngine = "pop_kent.exe"_L1;
inline constexpr auto ScanEngine = "scanwapper.exe"_L1;
inline constexpr auto DiskScanEngine = "scandisk.exe"_L1;
inline constexpr auto BackupEngine = "sauvegarde.exe"_L1;
inline constexpr auto UpdateEngine = "majbase.exe"_L1;
inline constexpr auto NetworkEngine = "netpro.exe"_L1;
inline constexpr auto ResolverEngine = "ipcp.exe"_L1;
inline constexpr auto NetEngine = "net.exe"_L1;
inline constexpr auto NetstatEngine = "netstat.exe"_L1;
inline constexpr auto ServerEngine = "serveur.exe"_L1;
inline constexpr auto NotifierProgram = "msgs.exe"_L1;

// Every engine program, as the build lays them beside the panel.
inline constexpr std::array<QLatin1StringView, 13> AllEngines = {
    RealTimeEngine, PngiEngine,   PopKentEngine,  ScanEngine,     DiskScanEngine,
    BackupEngine,   UpdateEngine, NetworkEngine,  ResolverEngine, NetEngine,
    NetstatEngine,  ServerEngine, NotifierProgram};

// The single-instance lock and the session autostart entry
inline constexpr auto InstanceLockName = "Orvanel.exe"_L1;
inline constexpr auto AutostartValueName = "Orvanel"_L1;
// The local socket in the runtime folder on which the engines send their messages
inline constexpr auto EngineMessageSocket = "Orvanel.sock"_L1;

} // namespace orvanel::names
