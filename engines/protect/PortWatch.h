#pragma once

#include "protect/EngineContext.h"
#include "protect/ProcNet.h"
#include "protect/Reports.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace orvanel::engines {

// The program behind a socket, as far as the user may see it.
struct SocketOwner
{
    QString name; // "?" when the socket belongs to another user's process
    QString path;
    int pid = 0;
};

// The lines of portappli.txt: one per listening port ("TCP 8080 name path", sorted by
// protocol and port, a port open for IPv4 and IPv6 listed once) and the count last.
QStringList portLines(const std::vector<SocketEntry>& sockets,
                      const std::map<unsigned long long, SocketOwner>& owners);

// The socket counts of /proc/net/sockstat and sockstat6 that tell whether a TCP or UDP
// socket may have come or gone: the TCP and UDP lines without their memory figures.
std::string socketCountsOf(std::string_view sockstat);

// netstat.exe's work, one look per call of poll: keeps portappli.txt current, records a
// rule per program seen with a listening or connected socket in regles.xml, and an alert
// in alertes.xml when the program's checksum no longer equals its rule's.
class PortWatch final
{
public:
    explicit PortWatch(EngineContext context);

    void poll();

private:
    std::vector<SocketEntry> readSockets() const;
    void findOwners(const std::set<unsigned long long>& wanted);
    void writePortFile(const std::vector<SocketEntry>& sockets);
    void checkPrograms(const std::vector<SocketEntry>& fresh);
    void loadRules();
    void addRule(const SocketEntry& socket, const SocketOwner& owner, const QString& checksum);
    void addAlert(const SocketOwner& owner, const QString& checksum);

    EngineContext m_context;
    Reports m_reports;
    bool mayHaveChanged();

    std::set<unsigned long long> m_lastInodes;
    std::string m_lastCounts;
    std::chrono::steady_clock::time_point m_lastFullLook;
    std::map<unsigned long long, SocketOwner> m_owners;
    std::optional<QStringList> m_written;
    // Program path → checksum its rule recorded, as regles.xml held them.
    QHash<QString, QString> m_rules;
    QDateTime m_rulesRead;
    QSet<QString> m_alerted; // "path\nchecksum"
};

} // namespace orvanel::engines
