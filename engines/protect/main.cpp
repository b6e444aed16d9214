// The engines that protect for real: one program copied beside the panel under the
// names scanwapper.exe, tempsreel.exe, majbase.exe, netstat.exe and scandisk.exe; it does
// the work of the name it was started under. docs/engines.md describes each.

#include "protect/Engines.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

namespace {

using namespace Qt::StringLiterals;
using namespace orvanel::engines;

struct Engine
{
    QLatin1StringView name;
    int (*run)(const EngineContext&, const QStringList&);
};

constexpr Engine kEngines[] = {
    {"scanwapper.exe"_L1, scanEngine},    {"tempsreel.exe"_L1, realTimeEngine},
    {"majbase.exe"_L1, databaseUpdate},   {"netstat.exe"_L1, portWatchEngine},
    {"scandisk.exe"_L1, duplicateSearch},
};

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    const std::optional<EngineContext> context = EngineContext::ofThisProcess();
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    for (const Engine& engine : kEngines) {
        if (name.compare(engine.name, Qt::CaseInsensitive) != 0)
            continue;
        if (!context) {
            std::fprintf(stderr, "%s: no workspace or home folder\n", qPrintable(name));
            return 1;
        }
        return engine.run(*context, args);
    }
    std::fprintf(stderr,
                 "%s: copy this program beside the panel as scanwapper.exe, tempsreel.exe, "
                 "majbase.exe, netstat.exe or scandisk.exe\n",
                 qPrintable(name));
    return 2;
}
