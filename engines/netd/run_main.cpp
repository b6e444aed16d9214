// orvanel-run PROGRAM [ARGUMENT…]: starts PROGRAM in an application scope of its own,
// refused by the firewall before the program's first instruction when its rule, the
// quarantine or strict mode says so, so that it has no moment in which it is free.
// Copied beside the engines: the workspace is the folder of this program.

#include "Cgroups.h"
#include "NetPolicy.h"
#include "NetdSocket.h"
#include "ProgramRules.h"
#include "ProgramWatch.h"

#include "protect/EngineContext.h"

#include <QFileInfo>

#include <nlohmann/json.hpp>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace orvanel::netd;
using nlohmann::json;

// The program's absolute path: as given when it holds a "/", else looked up in PATH.
std::string programPath(const std::string& given)
{
    std::string candidate = given;
    if (given.find('/') == std::string::npos) {
        const char* path = std::getenv("PATH");
        std::string_view folders = path ? path : "/usr/bin:/bin";
        candidate.clear();
        while (!folders.empty() && candidate.empty()) {
            const std::size_t end = std::min(folders.find(':'), folders.size());
            const std::string file = std::string(folders.substr(0, end)) + "/" + given;
            if (access(file.c_str(), X_OK) == 0)
                candidate = file;
            folders.remove_prefix(std::min(end + 1, folders.size()));
        }
    }
    char resolved[PATH_MAX];
    return !candidate.empty() && realpath(candidate.c_str(), resolved) ? resolved : std::string();
}

// The firewall's decision about the program; allowed when the service is not there.
Decision decisionOf(const std::string& program)
{
    std::string error;
    const auto reply = exchange(serviceSocketPath(), R"({"version":1,"request":"status"})",
                                std::chrono::seconds(5), &error);
    const json status = reply ? json::parse(*reply, nullptr, false) : json();
    const auto policy = status.is_object() && status.contains("policy")
                            ? policyFromDocument(status["policy"], &error)
                            : std::nullopt;
    const auto context = orvanel::engines::EngineContext::ofThisProcess();
    if (!policy || !context)
        return {Verdict::Allow, Record::Nothing};
    const QString name = QFileInfo(QString::fromStdString(program)).fileName();
    return decide(name, readProgramTables(context->workspaceDir), policy->mode, policy->learning);
}

// Has the service refuse the scope ("deny"), or watch for its first connection ("learn").
bool place(const std::string& scope, const char* list, std::string* error)
{
    json request = {{"version", 1},
                    {"request", "programs"},
                    {"deny", json::array()},
                    {"allow", json::array()},
                    {"learn", json::array()}};
    request[list].push_back(scope);
    const auto reply =
        exchange(serviceSocketPath(), request.dump(), std::chrono::seconds(5), error);
    const json answer = reply ? json::parse(*reply, nullptr, false) : json();
    if (answer.is_object() && answer.contains("denied"))
        return true;
    if (reply)
        *error = *reply;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvanel-run PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    const std::string program = programPath(argv[1]);
    if (program.empty()) {
        std::fprintf(stderr, "orvanel-run: no program %s\n", argv[1]);
        return 127;
    }
    std::string error;
    const auto mount = cgroup2Mount();
    const std::string scope =
        applicationSlice() + "/app-orvanel-run-" + std::to_string(getpid()) + ".scope";
    const Decision decision = decisionOf(program);
    const bool refused = decision.verdict == Verdict::Deny;
    const char* list = refused                                  ? "deny"
                       : decision.record == Record::LearnedRule ? "learn"
                                                                : nullptr;
    if (mount && mkdir((*mount + scope).c_str(), 0755) == 0) {
        std::ofstream procs(*mount + scope + "/cgroup.procs");
        if ((list && !place(scope, list, &error) && refused) ||
            !(procs << getpid() << std::flush)) {
            rmdir((*mount + scope).c_str());
            std::fprintf(stderr, "orvanel-run: %s not started: %s\n", program.c_str(),
                         error.empty() ? "cannot join its scope" : error.c_str());
            return 1;
        }
    } else if (refused) {
        // Without a scope of its own nothing could refuse it: it does not start.
        std::fprintf(stderr, "orvanel-run: %s not started: no application scope (%s)\n",
                     program.c_str(), mount ? std::strerror(errno) : "no cgroup v2 hierarchy");
        return 1;
    }
    execv(program.c_str(), argv + 1);
    std::fprintf(stderr, "orvanel-run: %s: %s\n", program.c_str(), std::strerror(errno));
    return 126;
}
