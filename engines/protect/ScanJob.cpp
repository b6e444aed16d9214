#include "protect/ScanJob.h"

#include "protect/ParallelScan.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <set>
#include <unistd.h>

namespace orvanel::engines {

using namespace Qt::StringLiterals;

namespace {

constexpr int kScanThreads = 2;
constexpr auto kReportInterval = std::chrono::seconds(2);

// The scan log names at most this many skips of one scan (it keeps 5,000 lines); the
// summary counts them all.
constexpr std::size_t kNamedSkips = 1000;

// Reports what the threads found and passed over so far, at most every two seconds.
class ScanReporter final
{
public:
    ScanReporter(ParallelScan& scan, Reports& reports) : m_scan(scan), m_reports(reports) {}

    // A skip of the walk, which runs on the reporting thread; past the named ones only
    // counted, so that a tree of other users' files does not fill the memory.
    void skip(Skip skip)
    {
        if (m_named + m_skips.size() < kNamedSkips)
            m_skips.push_back(std::move(skip));
        else
            ++m_unnamed;
    }

    void maybeFlush()
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_last < kReportInterval)
            return;
        m_last = now;
        flush();
    }

    void flush()
    {
        std::vector<Skip> skips = m_scan.takeSkips();
        skips.insert(skips.begin(), std::make_move_iterator(m_skips.begin()),
                     std::make_move_iterator(m_skips.end()));
        m_skips.clear();
        const std::size_t named = std::min(skips.size(), kNamedSkips - m_named);
        m_unnamed += skips.size() - named;
        m_named += named;
        skips.resize(named);
        reportScanned(m_reports, m_scan.takeDetections(), skips);
    }

    void finish()
    {
        flush();
        if (m_unnamed > 0)
            m_reports.log({u"%1 more files skipped, not named here"_s.arg(m_unnamed)});
    }

private:
    ParallelScan& m_scan;
    Reports& m_reports;
    std::vector<Skip> m_skips;
    std::size_t m_named = 0;
    unsigned long long m_unnamed = 0;
    std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
};

ScanSummary summaryOf(const ParallelScan::Counts& counts, const SkipCounts& skipped, bool stopped)
{
    ScanSummary summary{counts.files, counts.bytes, counts.skipped, counts.detections, stopped};
    summary.skipped.add(skipped);
    return summary;
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

void reportScanned(Reports& reports, const std::vector<Detection>& found,
                   const std::vector<Skip>& skips)
{
    QStringList lines;
    for (const Detection& detection : found)
        lines.append(detection.path + u": "_s + detection.signature);
    for (const Skip& skip : skips)
        lines.append(skipLine(skip));
    if (!lines.isEmpty())
        reports.log(lines);
    reports.record(found);
}

ScanSummary scanTrees(const ClamEngine& engine, const std::vector<ScanTarget>& targets,
                      const std::set<FileId>& neverScanned, Reports& reports,
                      const std::atomic<bool>& stop)
{
    ParallelScan scan(engine, kScanThreads, stop);
    ScanReporter reporter(scan, reports);
    TreeWalk walk(
        stop,
        [&](int fd, std::string path, const struct stat& st) {
            scan.add(fd, std::move(path), static_cast<unsigned long long>(st.st_size));
            reporter.maybeFlush();
        },
        [&](Skip skip) {
            reporter.skip(std::move(skip));
            reporter.maybeFlush();
        });
    for (const ScanTarget& target : targets) {
        WalkOptions options;
        options.depth = target.depth;
        options.sameDevice = target.sameDevice;
        options.skipped = neverScanned;
        walk.walk(target.root, options);
    }
    scan.finish();
    reporter.finish();
    return summaryOf(scan.counts(), walk.skips(), stop.load());
}

ScanSummary scanRunningPrograms(const ClamEngine& engine, Reports& reports,
                                const std::atomic<bool>& stop)
{
    ParallelScan scan(engine, kScanThreads, stop);
    ScanReporter reporter(scan, reports);
    std::set<FileId> seen;
    SkipCounts skipped;
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
            if (fd < 0 && errno == EACCES) {
                skipped.add(SkipReason::Unreadable);
                reporter.skip({"/proc/" + pid + "/exe", SkipReason::Unreadable});
            }
            if (fd >= 0)
                ::close(fd);
            continue;
        }
        scan.add(fd, programPathOf(pid), static_cast<unsigned long long>(st.st_size));
    }
    if (proc)
        ::closedir(proc);
    scan.finish();
    reporter.finish();
    return summaryOf(scan.counts(), skipped, stop.load());
}

} // namespace orvanel::engines
