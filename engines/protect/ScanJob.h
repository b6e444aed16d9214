#pragma once

#include "protect/ClamEngine.h"
#include "protect/EngineContext.h"
#include "protect/Reports.h"
#include "protect/TreeWalk.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace orvanel::engines {

// The engine with the databases of this user (see databaseFiles).
std::unique_ptr<ClamEngine> loadEngineFor(const EngineContext& context, QString* error);

// The folders the engines never scan: the user's database folder.
std::set<FileId> foldersNeverScanned(const EngineContext& context);

// Adds detections to the scan log (path and signature name each), viri.txt and
// alertes.xml, and the files passed over to the scan log, each with its reason.
void reportScanned(Reports& reports, const std::vector<Detection>& found,
                   const std::vector<Skip>& skips = {});

struct ScanTarget
{
    std::string root;
    int depth = kAnyDepth;   // 0: the root folder's own files only
    bool sameDevice = false; // stay on the root's file system
};

struct ScanSummary
{
    unsigned long long files = 0;
    unsigned long long bytes = 0;
    SkipCounts skipped; // neither clean nor detections, by reason
    unsigned long long detections = 0;
    bool stopped = false;
};

// Scans the trees with two threads sharing the engine. Detections are reported while
// the scan goes on (at most every two seconds) and at its end.
ScanSummary scanTrees(const ClamEngine& engine, const std::vector<ScanTarget>& targets,
                      const std::set<FileId>& neverScanned, Reports& reports,
                      const std::atomic<bool>& stop);

// Scans the program files of the user's running processes, each file once.
ScanSummary scanRunningPrograms(const ClamEngine& engine, Reports& reports,
                                const std::atomic<bool>& stop);

} // namespace orvanel::engines
