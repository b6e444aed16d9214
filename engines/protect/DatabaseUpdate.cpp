// majbase.exe "0": brings the user's database folder up to date with freshclam and writes
// the outcome to majbase.txt. Without freshclam or without network it says so there and
// in one notification; the databases in place stay as they are.

#include "protect/DatabaseUpdate.h"

#include "protect/EndSignals.h"
#include "protect/Engines.h"
#include "protect/Reports.h"
#include "workspace/SideFiles.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

namespace orvanel::engines {

using namespace Qt::StringLiterals;

namespace {

constexpr int kUpdateLimitMs = 15 * 60 * 1000;
constexpr qsizetype kKeptOutputLines = 40;

QString userName()
{
    const passwd* entry = getpwuid(geteuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

QByteArray systemConfiguration()
{
    QFile file(u"/etc/clamav/freshclam.conf"_s);
    return file.open(QIODevice::ReadOnly) ? file.read(256 * 1024) : QByteArray();
}

bool writeConfiguration(const QString& path, const QByteArray& text)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}

struct RunResult
{
    bool started = false;
    int exitCode = -1;
    QByteArray output;
};

RunResult runFreshclam(const QString& program, const QString& configuration,
                       const std::atomic<bool>& stop)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, {u"--config-file="_s + configuration, u"--stdout"_s});
    RunResult result;
    result.started = process.waitForStarted();
    QElapsedTimer clock;
    clock.start();
    while (result.started && !process.waitForFinished(500)) {
        result.output.append(process.readAll().right(64 * 1024));
        if (stop.load() || clock.elapsed() > kUpdateLimitMs) {
            process.kill();
            process.waitForFinished();
            break;
        }
    }
    result.output.append(process.readAll());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

QStringList lastLines(const QByteArray& output)
{
    QStringList lines = sidefiles::decodeLines(output.right(16 * 1024));
    lines.removeAll(QString());
    return lines.mid(std::max<qsizetype>(0, lines.size() - kKeptOutputLines));
}

void finish(Reports& reports, const EngineContext& context, const QStringList& lines,
            const QString& notification)
{
    const QString stamp = Reports::dateTimeText(QDateTime::currentDateTime()) + u' ';
    QStringList stamped{stamp + lines.value(0)};
    stamped.append(lines.mid(1));
    sidefiles::writeLines(context.file("majbase.txt"_L1), stamped);
    if (!notification.isEmpty())
        reports.notify(notification);
}

} // namespace

UpdateOutcome updateOutcomeOf(int exitCode, const QByteArray& output)
{
    if (exitCode == 0)
        return UpdateOutcome::Updated;
    const QByteArray text = output.toLower();
    const bool network = exitCode == 52 || text.contains("resolve host") ||
                         text.contains("couldn't connect") || text.contains("can't connect") ||
                         text.contains("connection failed") ||
                         text.contains("network is unreachable");
    return network ? UpdateOutcome::NoNetwork : UpdateOutcome::Failed;
}

QByteArray freshclamConfiguration(const QString& databaseDir, const QString& userName,
                                  const QByteArray& systemConfiguration)
{
    QByteArray text = "DatabaseDirectory " + QFile::encodeName(databaseDir) + "\n" +
                      "UpdateLogFile " + QFile::encodeName(databaseDir) + "/freshclam.log\n" +
                      "DatabaseOwner " + userName.toLocal8Bit() + "\n" +
                      "Foreground true\nMaxAttempts 2\nConnectTimeout 30\n";
    QByteArray mirrors;
    for (const QByteArray& line : systemConfiguration.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith("DatabaseMirror ") || trimmed.startsWith("PrivateMirror ") ||
            trimmed.startsWith("DNSDatabaseInfo "))
            mirrors += trimmed + '\n';
    }
    return text +
           (mirrors.isEmpty() ? QByteArray("DatabaseMirror database.clamav.net\n") : mirrors);
}

int databaseUpdate(const EngineContext& context, const QStringList&)
{
    const std::atomic<bool>& stop = endOnSignals();
    Reports reports(context);
    const QString program = QStandardPaths::findExecutable(u"freshclam"_s);
    if (program.isEmpty()) {
        finish(reports, context, {u"database not updated: freshclam is not installed"_s},
               u"database not updated: freshclam is not installed"_s);
        return 0;
    }
    const QString folder = context.databaseDir();
    const QString configuration = folder + u"/freshclam.conf"_s;
    if (!QDir().mkpath(folder) ||
        !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
        !writeConfiguration(configuration,
                            freshclamConfiguration(folder, userName(), systemConfiguration()))) {
        finish(reports, context, {u"database not updated: "_s + folder + u" cannot be prepared"_s},
               u"database not updated"_s);
        return 0;
    }
    const RunResult run = runFreshclam(program, configuration, stop);
    const UpdateOutcome outcome =
        run.started ? updateOutcomeOf(run.exitCode, run.output) : UpdateOutcome::Failed;
    const QStringList details = lastLines(run.output);
    if (outcome == UpdateOutcome::Updated)
        finish(reports, context, QStringList{u"database up to date in "_s + folder} + details, {});
    else if (outcome == UpdateOutcome::NoNetwork)
        finish(reports, context,
               QStringList{u"database not updated: no network, the databases in place are kept"_s} +
                   details,
               u"database not updated: no network"_s);
    else
        finish(reports, context,
               QStringList{u"database not updated: freshclam failed (code %1), the databases in "
                           u"place are kept"_s.arg(run.exitCode)} +
                   details,
               u"database not updated: freshclam failed"_s);
    return 0;
}

} // namespace orvanel::engines
