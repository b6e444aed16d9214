// tempsreel.exe: watches folders with inotify and scans every file closed after writing
// or moved in. The panel restarts it after every change of configuration.xml, so the
// switches are read once, at start.

#include "protect/RealTimeEngine.h"

#include "protect/EndSignals.h"
#include "protect/Engines.h"
#include "protect/LockedTable.h"
#include "protect/ScanJob.h"
#include "workspace/Table.h"

#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace orvanel::engines {

using namespace Qt::StringLiterals;

namespace {

constexpr uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE;
constexpr std::size_t kMaxWatches = 8192;
constexpr int kMaxDepth = 16;
constexpr int kRetryMs = 2000; // folders that do not exist yet are looked for again

std::string joinPath(const std::string& folder, const char* name)
{
    return folder + '/' + name;
}

// The files met since the last batch of events; a file closed twice with the same
// content is scanned once.
struct ScanStamp
{
    dev_t device;
    ino_t inode;
    long long size;
    long long modified;
    auto operator<=>(const ScanStamp&) const = default;
};

class Watcher final
{
public:
    Watcher(const EngineContext& context, QStringList roots);
    ~Watcher();

    int descriptor() const { return m_fd; }
    void watchMissingRoots();
    // Reads the pending events; answers the files to scan.
    std::vector<std::string> readEvents();

private:
    void watchTree(const std::string& path, int depth, bool root, std::vector<std::string>* files);

    int m_fd = -1;
    std::vector<std::string> m_roots;
    std::map<int, std::pair<std::string, int>> m_watches; // descriptor → folder, depth left
    std::set<FileId> m_neverWatched;
};

Watcher::Watcher(const EngineContext& context, QStringList roots)
    : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), m_neverWatched(foldersNeverScanned(context))
{
    for (const QString& root : roots)
        m_roots.push_back(QFile::encodeName(root).toStdString());
}

Watcher::~Watcher()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void Watcher::watchMissingRoots()
{
    for (const std::string& root : m_roots) {
        bool watched = false;
        for (const auto& [wd, folder] : m_watches)
            watched = watched || folder.first == root;
        if (!watched)
            watchTree(root, kMaxDepth, true, nullptr);
    }
}

void Watcher::watchTree(const std::string& path, int depth, bool root,
                        std::vector<std::string>* files)
{
    if (m_fd < 0 || m_watches.size() >= kMaxWatches)
        return;
    struct stat st
    {
    };
    // Only the root may be reached through a link.
    if ((root ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0 ||
        !S_ISDIR(st.st_mode) || m_neverWatched.count(fileIdOf(st)))
        return;
    const uint32_t mask = kFileEvents | IN_ONLYDIR | (root ? 0 : IN_DONT_FOLLOW);
    const int wd = inotify_add_watch(m_fd, path.c_str(), mask);
    if (wd < 0 || m_watches.count(wd))
        return; // not watchable, or the same folder met twice
    m_watches[wd] = {path, depth};
    DIR* dir = ::opendir(path.c_str());
    while (dir) {
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (entry->d_type == DT_DIR && depth > 0)
            watchTree(joinPath(path, entry->d_name), depth - 1, false, files);
        else if (entry->d_type == DT_REG && files)
            files->push_back(joinPath(path, entry->d_name));
    }
    if (dir)
        ::closedir(dir);
}

std::vector<std::string> Watcher::readEvents()
{
    std::vector<std::string> files;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            const auto watch = m_watches.find(event->wd);
            if (event->mask & IN_IGNORED) {
                if (watch != m_watches.end())
                    m_watches.erase(watch);
                continue;
            }
            if (watch == m_watches.end() || event->len == 0)
                continue;
            const std::string path = joinPath(watch->second.first, event->name);
            if (event->mask & IN_ISDIR) {
                // A folder made or moved in: watched from now on, its files scanned.
                if (watch->second.second > 0)
                    watchTree(path, watch->second.second - 1, false, &files);
            } else if (event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) {
                files.push_back(path);
            }
        }
    }
    return files;
}

// What one batch of events brought: the detections and the files passed over.
struct BatchResult
{
    std::vector<Detection> found;
    std::vector<Skip> skipped;
};

class FileScanner final
{
public:
    explicit FileScanner(const ClamEngine& engine) : m_engine(engine) {}

    BatchResult scan(const std::vector<std::string>& paths)
    {
        BatchResult batch;
        std::set<ScanStamp> scanned;
        for (const std::string& path : paths) {
            const int fd =
                ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK);
            // A file refused to us is skipped; one gone or replaced by a link since its
            // event is no longer there to scan.
            if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EIO))
                batch.skipped.push_back({path, SkipReason::Unreadable});
            if (fd < 0)
                continue;
            struct stat st
            {
            };
            const bool usable = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                                isOwnOrSystemFile(st) &&
                                scanned
                                    .insert({st.st_dev, st.st_ino, st.st_size,
                                             st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec})
                                    .second;
            if (usable)
                take(m_engine.scan(fd, path.c_str()), path, batch);
            ::close(fd);
        }
        // The engine stays resident: it holds no buffer between its scans.
        ClamEngine::releaseThreadBuffer();
        return batch;
    }

private:
    static void take(const ClamEngine::Result& result, const std::string& path, BatchResult& batch)
    {
        if (result.verdict == ClamEngine::Verdict::Infected)
            batch.found.push_back(
                {QFile::decodeName(path.c_str()), QString::fromUtf8(result.signature.c_str())});
        else if (result.verdict == ClamEngine::Verdict::Skipped)
            batch.skipped.push_back({path, result.skip});
    }

    const ClamEngine& m_engine;
};

void reportRealTime(Reports& reports, const BatchResult& batch)
{
    reportScanned(reports, batch.found, batch.skipped);
    if (batch.found.empty())
        return;
    reports.notify(
        u"real-time protection: %1 threats found, the first in %2"_s.arg(batch.found.size())
            .arg(batch.found.front().path));
}

} // namespace

std::optional<Switches> readSwitches(const EngineContext& context)
{
    Table table;
    if (!readTableLocked(context.workspaceDir, TableId::Configuration, table))
        return std::nullopt;
    table.first();
    if (table.atEnd())
        return std::nullopt;
    Switches switches{};
    for (int i = 0; i < 12; ++i)
        switches[std::size_t(i)] = table.value(u"Champ%1"_s.arg(i + 1)) == u"1"_s;
    return switches;
}

QStringList watchedFolders(const EngineContext& context, const std::optional<Switches>& switches)
{
    // Without a configuration only the first switch counts as on.
    const Switches on = switches.value_or(Switches{true});
    QStringList folders;
    if (on[0])
        folders << context.downloadsFolder() << context.desktopFolder();
    if (switches && on[3])
        folders << context.autostartFolder();
    if (switches && on[4])
        folders << context.userProgramsFolder();
    folders.removeDuplicates();
    return folders;
}

int realTimeEngine(const EngineContext& context, const QStringList&)
{
    const int endFd = endSignalDescriptor();
    Reports reports(context);
    // Watches first: what is written while the databases load waits in the event queue.
    const QStringList folders = watchedFolders(context, readSwitches(context));
    Watcher watcher(context, folders);
    watcher.watchMissingRoots();
    QString error;
    const std::unique_ptr<ClamEngine> engine = loadEngineFor(context, &error);
    if (!engine) {
        reports.log({u"real-time protection not possible: "_s + error});
        reports.notify(u"real-time protection not possible"_s);
        return 1;
    }
    reports.log({u"real-time protection started, watching: "_s + folders.join(u", "_s)});
    FileScanner scanner(*engine);
    pollfd waits[2] = {{watcher.descriptor(), POLLIN, 0}, {endFd, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(waits, 2, kRetryMs);
        if (ready < 0 && errno != EINTR)
            return 1;
        if (waits[1].revents & POLLIN)
            return 0;
        if (waits[0].revents & POLLIN)
            reportRealTime(reports, scanner.scan(watcher.readEvents()));
        watcher.watchMissingRoots();
    }
}

} // namespace orvanel::engines
