// scanwapper.exe: the on-demand scan.
//   "0"                 quick scan: Downloads, Desktop and the files at the top of home
//   "1"                 full scan: the whole home folder
//   "2"                 memory scan: the program files of the user's running processes
//   "3 <mount point>"   volume scan: the volume mounted there, on that file system only

#include "protect/EndSignals.h"
#include "protect/EngineArguments.h"
#include "protect/Engines.h"
#include "protect/ScanJob.h"

#include <QElapsedTimer>
#include <QFile>

#include <optional>

namespace orvanel::engines {

using namespace Qt::StringLiterals;

namespace {

struct ScanRequest
{
    QString subject; // "quick scan", "full scan of /media/stick" …
    std::vector<ScanTarget> targets;
    bool programs = false;
};

std::string local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

std::optional<ScanRequest> requestOf(const EngineContext& context, const QStringList& args)
{
    const std::optional<ScanArguments> scan = scanArgumentsOf(args);
    if (!scan)
        return std::nullopt;
    switch (scan->kind) {
    case ScanArguments::Kind::Quick:
        return ScanRequest{u"quick scan"_s,
                           {{local(context.downloadsFolder())},
                            {local(context.desktopFolder())},
                            {local(context.home), 0}}};
    case ScanArguments::Kind::Full:
        return ScanRequest{u"full scan of "_s + context.home, {{local(context.home)}}};
    case ScanArguments::Kind::Memory:
        return ScanRequest{u"memory scan"_s, {}, true};
    case ScanArguments::Kind::Volume:
        return ScanRequest{u"volume scan of "_s + scan->mountPoint,
                           {{local(scan->mountPoint), kAnyDepth, true}}};
    }
    return std::nullopt;
}

// "… 3 files skipped: 1 too large, 1 encrypted, 1 unreadable, 0.4 s"; the reasons only
// when something was skipped.
QString summaryLine(const ScanRequest& request, const ScanSummary& summary, qint64 ms)
{
    const QString how = summary.stopped ? u" ended before its end: "_s : u" finished: "_s;
    const QString reasons =
        summary.skipped.total() > 0 ? u": "_s + summary.skipped.text() : QString();
    return request.subject + how +
           u"%1 files scanned (%2 MB), %3 threats found, %4 files skipped%5, %6 s"_s
               .arg(summary.files)
               .arg(double(summary.bytes) / 1e6, 0, 'f', 1)
               .arg(summary.detections)
               .arg(summary.skipped.total())
               .arg(reasons)
               .arg(double(ms) / 1000.0, 0, 'f', 1);
}

} // namespace

int scanEngine(const EngineContext& context, const QStringList& args)
{
    const std::atomic<bool>& stop = endOnSignals();
    Reports reports(context);
    const std::optional<ScanRequest> request = requestOf(context, args);
    if (!request) {
        reports.log({u"scan request not understood: "_s + args.join(u' ').left(200)});
        return 0;
    }
    QElapsedTimer clock;
    clock.start();
    reports.log({request->subject + u" started"_s});
    QString error;
    const std::unique_ptr<ClamEngine> engine = loadEngineFor(context, &error);
    if (!engine) {
        reports.log({request->subject + u" not possible: "_s + error});
        reports.notify(u"scan not possible: "_s + error.left(100));
        return 0;
    }
    const ScanSummary summary =
        request->programs
            ? scanRunningPrograms(*engine, reports, stop)
            : scanTrees(*engine, request->targets, foldersNeverScanned(context), reports, stop);
    reports.log({summaryLine(*request, summary, clock.elapsed())});
    if (summary.detections > 0)
        reports.notify(
            u"%1 threats found by the %2"_s.arg(summary.detections).arg(request->subject));
    return 0;
}

} // namespace orvanel::engines
