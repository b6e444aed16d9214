#pragma once

#include "protect/EngineContext.h"

#include <QStringList>

namespace orvanel::engines {

// The engine programs of this program, each started under its own name; the arguments
// are those the panel passes, split at blanks.
int scanEngine(const EngineContext& context, const QStringList& args);      // scanwapper.exe
int realTimeEngine(const EngineContext& context, const QStringList& args);  // tempsreel.exe
int databaseUpdate(const EngineContext& context, const QStringList& args);  // majbase.exe
int portWatchEngine(const EngineContext& context, const QStringList& args); // netstat.exe
int duplicateSearch(const EngineContext& context, const QStringList& args); // scandisk.exe

} // namespace orvanel::engines
