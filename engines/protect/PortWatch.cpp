#include "protect/PortWatch.h"

#include "protect/EndSignals.h"
#include "protect/Engines.h"
#include "protect/LockedTable.h"
#include "workspace/Names.h"
#include "workspace/ProgramChecksum.h"
#include "workspace/SideFiles.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel::engines {

using namespace Qt::StringLiterals;

namespace {

constexpr std::size_t kMaxProcNetBytes = 16u << 20;
constexpr std::size_t kProcReadBytes = 256u << 10;
// Sockets that come and go within one look without changing any count are seen at the
// next full look.
constexpr auto kFullLookInterval = std::chrono::seconds(10);

// Every read of /proc/net/tcp walks the kernel's whole connection table, a few
// milliseconds on a large machine even when it holds no socket: a read that does not
// fill the buffer is the last one, rather than reading once more for the end.
std::string readProcFile(const char* path)
{
    std::string text;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    for (;;) {
        const std::size_t had = text.size();
        text.resize(had + kProcReadBytes);
        const ssize_t n = ::read(fd, text.data() + had, kProcReadBytes);
        text.resize(had + std::size_t(std::max<ssize_t>(n, 0)));
        if (n < ssize_t(kProcReadBytes) || text.size() > kMaxProcNetBytes)
            break;
    }
    ::close(fd);
    return text;
}

std::string linkText(int dirFd, const char* name)
{
    char target[4096];
    const ssize_t n = ::readlinkat(dirFd, name, target, sizeof target - 1);
    return n > 0 ? std::string(target, std::size_t(n)) : std::string();
}

// "socket:[12345]" → 12345; 0 for anything else.
unsigned long long socketInode(const std::string& link)
{
    if (link.size() < 10 || link.compare(0, 8, "socket:[") != 0 || link.back() != ']')
        return 0;
    return std::strtoull(link.c_str() + 8, nullptr, 10);
}

SocketOwner ownerOf(int procFd, const char* pid)
{
    SocketOwner owner;
    owner.pid = std::atoi(pid);
    std::string exe = linkText(procFd, (std::string(pid) + "/exe").c_str());
    constexpr std::string_view deleted = " (deleted)";
    if (exe.size() > deleted.size() && exe.ends_with(deleted))
        exe.resize(exe.size() - deleted.size());
    owner.path = QFile::decodeName(exe.c_str());
    owner.name = QFileInfo(owner.path).fileName();
    if (owner.name.isEmpty())
        owner.name = u"?"_s;
    return owner;
}

QString socketText(const SocketEntry& socket)
{
    const unsigned port = socket.isListening() ? socket.localPort : socket.remotePort;
    return QString::fromStdString(socket.protocol) + u' ' + QString::number(port);
}

} // namespace

QStringList portLines(const std::vector<SocketEntry>& sockets,
                      const std::map<unsigned long long, SocketOwner>& owners)
{
    std::map<std::pair<std::string, unsigned>, SocketOwner> ports;
    for (const SocketEntry& socket : sockets) {
        if (!socket.isListening())
            continue;
        const auto found = owners.find(socket.inode);
        SocketOwner owner = found != owners.end() ? found->second : SocketOwner{u"?"_s, u"?"_s, 0};
        auto [place, added] = ports.try_emplace({socket.protocol, socket.localPort}, owner);
        if (!added && place->second.pid == 0)
            place->second = owner; // a known program rather than "?"
    }
    QStringList lines;
    for (const auto& [port, owner] : ports)
        lines.append(u"%1 %2 %3 %4"_s.arg(QString::fromStdString(port.first))
                         .arg(port.second)
                         .arg(owner.name, owner.path.isEmpty() ? u"?"_s : owner.path));
    lines.append(QString::number(ports.size()));
    return lines;
}

PortWatch::PortWatch(EngineContext context) : m_context(context), m_reports(std::move(context)) {}

std::vector<SocketEntry> PortWatch::readSockets() const
{
    std::vector<SocketEntry> sockets;
    const struct
    {
        const char* path;
        const char* protocol;
        bool ipv6;
    } files[] = {{"/proc/net/tcp", "TCP", false},
                 {"/proc/net/tcp6", "TCP", true},
                 {"/proc/net/udp", "UDP", false},
                 {"/proc/net/udp6", "UDP", true}};
    for (const auto& file : files) {
        for (SocketEntry& entry : parseProcNet(readProcFile(file.path), file.protocol, file.ipv6)) {
            if (entry.inode != 0 && (entry.isListening() || entry.isConnected()))
                sockets.push_back(std::move(entry));
        }
    }
    return sockets;
}

std::string socketCountsOf(std::string_view sockstat)
{
    std::string counts;
    std::size_t at = 0;
    while (at < sockstat.size()) {
        std::size_t end = sockstat.find('\n', at);
        if (end == std::string_view::npos)
            end = sockstat.size();
        std::string_view line = sockstat.substr(at, end - at);
        at = end + 1;
        if (!line.starts_with("TCP:") && !line.starts_with("UDP:") && !line.starts_with("TCP6:") &&
            !line.starts_with("UDP6:"))
            continue;
        // The memory figure moves with every byte sent; it says nothing of sockets.
        if (const std::size_t mem = line.find(" mem "); mem != std::string_view::npos)
            line = line.substr(0, mem);
        counts.append(line).push_back('\n');
    }
    return counts;
}

bool PortWatch::mayHaveChanged()
{
    const auto now = std::chrono::steady_clock::now();
    std::string counts = socketCountsOf(readProcFile("/proc/net/sockstat")) +
                         socketCountsOf(readProcFile("/proc/net/sockstat6"));
    const bool changed = counts != m_lastCounts || now - m_lastFullLook >= kFullLookInterval;
    if (changed) {
        m_lastCounts = std::move(counts);
        m_lastFullLook = now;
    }
    return changed;
}

void PortWatch::poll()
{
    // The usual case costs two small reads: no socket count moved.
    if (m_written && !mayHaveChanged())
        return;
    const std::vector<SocketEntry> sockets = readSockets();
    std::set<unsigned long long> inodes;
    for (const SocketEntry& socket : sockets)
        inodes.insert(socket.inode);
    if (inodes == m_lastInodes && m_written)
        return;
    std::set<unsigned long long> wanted;
    std::vector<SocketEntry> fresh;
    for (const SocketEntry& socket : sockets) {
        if (!m_lastInodes.count(socket.inode)) {
            wanted.insert(socket.inode);
            fresh.push_back(socket);
        }
    }
    std::erase_if(m_owners, [&](const auto& owner) { return !inodes.count(owner.first); });
    findOwners(wanted);
    m_lastInodes = std::move(inodes);
    writePortFile(sockets);
    checkPrograms(fresh);
}

// Walks the descriptors of the user's own processes for the sockets asked for. Other
// users' processes are not looked into: their sockets keep the owner "?".
void PortWatch::findOwners(const std::set<unsigned long long>& wanted)
{
    if (wanted.empty())
        return;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return;
    const int procFd = ::dirfd(proc);
    while (const dirent* entry = ::readdir(proc)) {
        const char* pid = entry->d_name;
        struct stat st
        {
        };
        if (pid[0] < '1' || pid[0] > '9' || ::fstatat(procFd, pid, &st, 0) != 0 ||
            st.st_uid != geteuid())
            continue;
        const int fdDir = ::openat(procFd, (std::string(pid) + "/fd").c_str(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* fds = fdDir >= 0 ? ::fdopendir(fdDir) : nullptr;
        while (fds) {
            const dirent* fd = ::readdir(fds);
            if (!fd)
                break;
            const unsigned long long inode = socketInode(linkText(::dirfd(fds), fd->d_name));
            if (inode != 0 && wanted.count(inode) && !m_owners.count(inode))
                m_owners[inode] = ownerOf(procFd, pid);
        }
        if (fds)
            ::closedir(fds);
        else if (fdDir >= 0)
            ::close(fdDir);
    }
    ::closedir(proc);
}

void PortWatch::writePortFile(const std::vector<SocketEntry>& sockets)
{
    const QStringList lines = portLines(sockets, m_owners);
    if (m_written == lines)
        return;
    QString error;
    // The panel empties the file at its start; what it shows is rewritten whole.
    if (sidefiles::writeLines(m_context.file(names::AppPortsFile), lines, &error))
        m_written = lines;
    else
        std::fprintf(stderr, "%s\n", qPrintable(error));
}

void PortWatch::loadRules()
{
    const QString path = m_context.file(names::RulesTable);
    const QDateTime modified = QFileInfo(path).lastModified();
    if (modified == m_rulesRead && !m_rules.isEmpty())
        return;
    Table table;
    if (!readTableLocked(m_context.workspaceDir, TableId::Rules, table))
        return;
    m_rules.clear();
    m_rulesRead = modified;
    for (table.first(); !table.atEnd(); table.next()) {
        const QString program = table.value(u"Champ8");
        if (!program.isEmpty() && !m_rules.contains(program))
            m_rules.insert(program, table.value(u"Champ9"));
    }
}

void PortWatch::checkPrograms(const std::vector<SocketEntry>& fresh)
{
    QSet<QString> done;
    bool rulesLoaded = false;
    for (const SocketEntry& socket : fresh) {
        const auto found = m_owners.find(socket.inode);
        if (found == m_owners.end() || found->second.path.isEmpty() ||
            done.contains(found->second.path))
            continue;
        const SocketOwner& owner = found->second;
        done.insert(owner.path);
        if (!rulesLoaded) {
            loadRules();
            rulesLoaded = true;
        }
        const auto sum = programChecksum(owner.path);
        const QString checksum = sum ? QString::number(*sum) : QString();
        const auto rule = m_rules.constFind(owner.path);
        if (rule == m_rules.cend())
            addRule(socket, owner, checksum);
        else if (!checksum.isEmpty() && !rule->isEmpty() && *rule != checksum)
            addAlert(owner, checksum);
    }
}

void PortWatch::addRule(const SocketEntry& socket, const SocketOwner& owner,
                        const QString& checksum)
{
    QString recorded = checksum;
    changeTableLocked(m_context.workspaceDir, TableId::Rules, [&](Table& table) {
        // Once per program path, also when another engine added it meanwhile.
        for (table.first(); !table.atEnd(); table.next()) {
            if (table.value(u"Champ8") == owner.path) {
                recorded = table.value(u"Champ9");
                return false;
            }
        }
        table.insert();
        table.setValue(u"Champ1", owner.name);
        table.setValue(u"Champ2", Reports::dateText(QDateTime::currentDateTime()));
        table.setValue(u"Champ3", socketText(socket));
        table.setValue(u"Champ4", socket.isListening()
                                      ? u"?"_s
                                      : QString::fromStdString(socket.remoteAddress));
        table.setValue(u"Champ8", owner.path);
        table.setValue(u"Champ9", checksum);
        table.post();
        return true;
    });
    m_rules.insert(owner.path, recorded);
}

void PortWatch::addAlert(const SocketOwner& owner, const QString& checksum)
{
    const QString key = owner.path + u'\n' + checksum;
    if (m_alerted.contains(key))
        return;
    m_alerted.insert(key);
    bool added = false;
    changeTableLocked(m_context.workspaceDir, TableId::Alerts, [&](Table& table) {
        // One alert per changed program file, also across restarts of the engine.
        for (table.first(); !table.atEnd(); table.next()) {
            if (table.value(u"Champ8") == owner.path && table.value(u"Champ9") == checksum)
                return false;
        }
        table.insert();
        table.setValue(u"Champ1", owner.name);
        table.setValue(u"Champ2", Reports::dateTimeText(QDateTime::currentDateTime()));
        table.setValue(u"Champ3", u"program changed"_s);
        table.setValue(u"Champ4", u"?"_s);
        table.setValue(u"Champ8", owner.path);
        table.setValue(u"Champ9", checksum);
        table.post();
        added = true;
        return true;
    });
    if (added)
        m_reports.notify(u"program changed: "_s + owner.name);
}

} // namespace orvanel::engines

namespace orvanel::engines {

// netstat.exe: looks at the sockets once a second until it is ended.
int portWatchEngine(const EngineContext& context, const QStringList&)
{
    const int endFd = endSignalDescriptor();
    PortWatch watch(context);
    pollfd end{endFd, POLLIN, 0};
    for (;;) {
        watch.poll();
        const int ready = ::poll(&end, 1, 1000);
        if (ready > 0 || (ready < 0 && errno != EINTR))
            return 0;
    }
}

} // namespace orvanel::engines
