#pragma once

// Helpers of the engines' benchmarks: a temporary workspace with the real engines.

#include "ProcessBench.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace orvanel::bench {

using namespace Qt::StringLiterals;

inline bool installEngines(const QString& dir)
{
    bool ok = true;
    for (const char* name :
         {"scanwapper.exe", "tempsreel.exe", "majbase.exe", "netstat.exe", "scandisk.exe"})
        ok = QFile::copy(QStringLiteral(ORVANEL_PROTECT_ENGINE), dir + QLatin1StringView(name)) &&
             ok;
    return QFile::copy(QStringLiteral(ORVANEL_SIGNATURE_FILE), dir + u"orvanel.hsb"_s) && ok;
}

} // namespace orvanel::bench
