// The per-user engines of the firewall, one program copied beside the panel as
// netpro.exe (hands the switches to the service and ends) and netalerte.exe (resident:
// blocked attempts become alerts). docs/engines.md describes both.

#include "NetAlerts.h"
#include "NetproEngine.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    using namespace Qt::StringLiterals;
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    const auto context = orvanel::engines::EngineContext::ofThisProcess();
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (!context) {
        std::fprintf(stderr, "%s: no workspace or home folder\n", qPrintable(name));
        return 1;
    }
    if (name.compare("netpro.exe"_L1, Qt::CaseInsensitive) == 0)
        return orvanel::netd::networkProtectionEngine(*context, args);
    if (name.compare("netalerte.exe"_L1, Qt::CaseInsensitive) == 0)
        return orvanel::netd::networkAlertEngine(*context, args);
    std::fprintf(stderr, "%s: copy this program beside the panel as netpro.exe or netalerte.exe\n",
                 qPrintable(name));
    return 2;
}
