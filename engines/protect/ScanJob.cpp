#include "protect/ScanJob.h"

#include "protect/ParallelScan.h"

#include <QFile>

#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace orvanel::engines {

using namespace Qt::StringLiterals;

namespace {

constexpr int kScanThreads = 2;
constexpr auto kReportInterval = std::chrono::seconds(2);

// Reports what the threads found so far, at most every two seconds.
class DetectionFlusher final
{
public:
    DetectionFlusher(ParallelScan& scan, Reports& reports) : m_scan(scan), m_reports(reports) {}

    void maybeFlush()
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_last < kReportInterval)
            return;
        m_last = now;
        flush();
    }
    void flush() { reportDetections(m_reports, m_scan.takeDetections()); }

private:
    ParallelScan& m_scan;
    Reports& m_reports;
    std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
};

ScanSummary summaryOf(const ParallelScan::Counts& counts, unsigned long long skipped, bool stopped)
{
    return {counts.files, counts.bytes, counts.unreadable + skipped, counts.detections, stopped};
}

std::string programPathOf(const std::string& pid)
{
    char target[4096];
    const ssize_t n = ::readlink(("/proc/" + pid + "/exe").c_str(), target, sizeof target - 1);
    if (n <= 0)
        return {};
    std::string path(target, std::size_t(n));
    constexpr std::string_view deleted = " (deleted)";
    if (path.size() > deleted.size() && path.ends_with(deleted))
        path.resize(path.size() - deleted.size());
    return path;
}

} // namespace

std::unique_ptr<ClamEngine> loadEngineFor(const EngineContext& context, QString* error)
{
    return ClamEngine::load(
        databaseFiles(context.systemDatabaseDir(), context.databaseDir(), context.signatureFile()),
        error);
}

std::set<FileId> foldersNeverScanned(const EngineContext& context)
{
    std::set<FileId> folders;
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(context.databaseDir()).constData(), &st) == 0)
        folders.insert(fileIdOf(st));
    return folders;
}

void reportDetections(Reports& reports, const std::vector<Detection>& found)
{
    if (found.empty())
        return;
    QStringList lines;
    for (const Detection& detection : found)
        lines.append(detection.path + u": "_s + detection.signature);
    reports.log(lines);
    reports.record(found);
}

ScanSummary scanTrees(const ClamEngine& engine, const std::vector<ScanTarget>& targets,
                      const std::set<FileId>& neverScanned, Reports& reports,
                      const std::atomic<bool>& stop)
{
    ParallelScan scan(engine, kScanThreads, stop);
    DetectionFlusher flusher(scan, reports);
    TreeWalk walk(stop, [&](int fd, std::string path, const struct stat& st) {
        scan.add(fd, std::move(path), static_cast<unsigned long long>(st.st_size));
        flusher.maybeFlush();
    });
    for (const ScanTarget& target : targets) {
        WalkOptions options;
        options.depth = target.depth;
        options.sameDevice = target.sameDevice;
        options.skipped = neverScanned;
        walk.walk(target.root, options);
    }
    scan.finish();
    flusher.flush();
    return summaryOf(scan.counts(), walk.counts().unreadable + walk.counts().foreign, stop.load());
}

ScanSummary scanRunningPrograms(const ClamEngine& engine, Reports& reports,
                                const std::atomic<bool>& stop)
{
    ParallelScan scan(engine, kScanThreads, stop);
    std::set<FileId> seen;
    unsigned long long skipped = 0;
    DIR* proc = ::opendir("/proc");
    while (proc && !stop.load()) {
        const dirent* entry = ::readdir(proc);
        if (!entry)
            break;
        const std::string pid = entry->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        struct stat owner
        {
        };
        // Only the user's own processes: the program of another user's process is
        // not ours to open.
        if (::fstatat(::dirfd(proc), pid.c_str(), &owner, 0) != 0 || owner.st_uid != geteuid())
            continue;
        const int fd = ::open(("/proc/" + pid + "/exe").c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        struct stat st
        {
        };
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
            !seen.insert(fileIdOf(st)).second) {
            skipped += fd < 0 && errno == EACCES;
            if (fd >= 0)
                ::close(fd);
            continue;
        }
        scan.add(fd, programPathOf(pid), static_cast<unsigned long long>(st.st_size));
    }
    if (proc)
        ::closedir(proc);
    scan.finish();
    reportDetections(reports, scan.takeDetections());
    return summaryOf(scan.counts(), skipped, stop.load());
}

} // namespace orvanel::engines
