#include "protect/Reports.h"

#include "platform/linux/FlockProbe.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/linux/LinuxSpawner.h"
#include "protect/LockedTable.h"
#include "workspace/EngineControl.h"
#include "workspace/Names.h"
#include "workspace/SideFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cstdio>

namespace orvanel::engines {

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kKeptLogLines = 5000;

void complain(const QString& text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

void appendLines(const QString& path, const QStringList& added, qsizetype keep)
{
    // The whole read, change and write under the lock: two engines adding lines at the
    // same moment keep each other's.
    const HeldFile held(path, HeldFile::Mode::Exclusive, {.create = true});
    if (!held.isHeld()) {
        complain(held.error());
        return;
    }
    QStringList lines = sidefiles::readLines(path).value_or(QStringList());
    lines.append(added);
    if (lines.size() > keep)
        lines.remove(0, lines.size() - keep);
    QString error;
    if (!sidefiles::writeLines(path, lines, &error))
        complain(error);
}

// A value for one line of a side file or one field: no line ends inside.
QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    }
    return text;
}

} // namespace

Reports::Reports(EngineContext context) : m_context(std::move(context)) {}

QString Reports::dateText(const QDateTime& when)
{
    return QLocale::system().toString(when.date(), QLocale::ShortFormat);
}

QString Reports::dateTimeText(const QDateTime& when)
{
    const QLocale locale = QLocale::system();
    return locale.toString(when.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(when.time(), QLocale::LongFormat);
}

void Reports::log(const QStringList& lines)
{
    const QString stamp = dateTimeText(QDateTime::currentDateTime()) + u' ';
    QStringList stamped;
    for (const QString& line : lines)
        stamped.append(stamp + oneLine(line));
    appendLines(m_context.file(names::ScanLogFile), stamped, kKeptLogLines);
}

void Reports::record(const std::vector<Detection>& found)
{
    if (found.empty())
        return;
    addVirusNames(found);
    addAlertRows(found);
}

void Reports::addVirusNames(const std::vector<Detection>& found)
{
    QStringList names;
    for (const Detection& detection : found)
        names.append(oneLine(detection.signature));
    appendLines(m_context.file(names::VirusFile), names, kKeptLogLines);
}

void Reports::addAlertRows(const std::vector<Detection>& found)
{
    const QString when = dateTimeText(QDateTime::currentDateTime());
    QString error;
    const bool saved = changeTableLocked(
        m_context.workspaceDir, TableId::Alerts,
        [&](Table& table) {
            for (const Detection& detection : found) {
                table.insert();
                table.setValue(u"Champ1", oneLine(QFileInfo(detection.path).fileName()));
                table.setValue(u"Champ2", when);
                table.setValue(u"Champ3", oneLine(detection.signature));
                table.setValue(u"Champ4", u"?"_s);
                table.setValue(u"Champ8", oneLine(detection.path));
                table.post();
            }
            return true;
        },
        &error);
    if (!saved)
        complain(u"alerts not recorded: "_s + error);
}

int Reports::alertLevel() const
{
    const auto line = sidefiles::firstLine(m_context.file(names::TrackFile));
    bool ok = false;
    const int level = line ? line->trimmed().toInt(&ok) : 0;
    return ok && level >= 1 && level <= 3 ? level : 2;
}

void Reports::notify(const QString& text)
{
    platform::LinuxProcessTable processes;
    platform::LinuxSpawner spawner;
    platform::FlockProbe probe;
    EngineControl engines(m_context.workspaceDir, processes, spawner, probe);
    engines.notify(oneLine(text), alertLevel());
}

} // namespace orvanel::engines
