#pragma once

// Doubles for the benchmarks that build the panel's windows: nothing is started, every
// question is answered no and every error written to standard error, the clock stands
// still, no web page opens and a notification area is there; and a fresh workspace that
// holds the shipped language files, as the panel finds it at its first start.

#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "platform/Services.h"
#include "platform/Spawner.h"
#include "platform/SystemTray.h"
#include "platform/UrlOpener.h"
#include "platform/linux/FlockProbe.h"
#include "platform/linux/ProgramLookup.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace orvanel::bench {

struct NoSpawner final : platform::Spawner
{
    bool spawn(const QString&, const QStringList&) override { return true; }
};
struct NoPrompt final : platform::Prompt
{
    bool askYesNo(const QString&) override { return false; }
    void showError(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void showInformation(const QString&) override {}
};
struct FixedClock final : platform::Clock
{
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 8), QTime(10, 0)); }
    QString longTimeText() const override { return QStringLiteral("10:00:00"); }
};
struct NoUrls final : platform::UrlOpener
{
    int open(const QString&) override { return Success; }
};
struct Tray final : platform::SystemTray
{
    bool isAvailable() const override { return true; }
};

// The services of the main window over the process list given.
struct WindowDoubles
{
    NoSpawner spawner;
    platform::FlockProbe probe;
    NoPrompt prompt;
    FixedClock clock;
    NoUrls urls;
    Tray tray;
    platform::PathProgramCheck programs;

    platform::Services services(platform::ProcessTable& processes)
    {
        platform::Services s;
        s.processes = &processes;
        s.spawner = &spawner;
        s.probe = &probe;
        s.prompt = &prompt;
        s.clock = &clock;
        s.urls = &urls;
        s.tray = &tray;
        s.programs = &programs;
        return s;
    }
};

// The folder of `dir`, ending with "/", holding the language files of the data folder.
inline QString windowWorkspace(const QTemporaryDir& dir)
{
    const QString path = QDir(dir.path()).canonicalPath() + QLatin1Char('/');
    const QDir data(QStringLiteral(ORVANEL_DATA_DIR));
    for (const QString& name : data.entryList({QStringLiteral("kentro_*.txt")}, QDir::Files))
        QFile::copy(data.filePath(name), path + name);
    return path;
}

} // namespace orvanel::bench
