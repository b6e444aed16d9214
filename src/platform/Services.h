#pragma once

#include "platform/AutostartEntries.h"
#include "platform/Clock.h"
#include "platform/ExclusiveOpenProbe.h"
#include "platform/HostLookup.h"
#include "platform/MemoryStatus.h"
#include "platform/MountWatcher.h"
#include "platform/ProcessTable.h"
#include "platform/ProgramCheck.h"
#include "platform/Prompt.h"
#include "platform/Spawner.h"
#include "platform/SystemTray.h"
#include "platform/Trash.h"
#include "platform/UrlOpener.h"
#include "platform/UserEnvironment.h"
#include "platform/Volumes.h"

namespace orvanel::platform {

// The platform services one run of the panel uses. The program wires the Linux
// implementations; tests wire doubles or Linux implementations pointed at temporary
// folders. Nothing here is owned.
struct Services
{
    ProcessTable* processes = nullptr;
    Spawner* spawner = nullptr;
    ExclusiveOpenProbe* probe = nullptr;
    AutostartEntries* autostart = nullptr;
    HostLookup* hostLookup = nullptr;
    MemoryStatus* memory = nullptr;
    UserEnvironment* user = nullptr;
    UrlOpener* urls = nullptr;
    Prompt* prompt = nullptr;
    Clock* clock = nullptr;
    SystemTray* tray = nullptr;
    Trash* trash = nullptr;
    Volumes* volumes = nullptr;
    MountWatcher* mountWatcher = nullptr;
    ProgramCheck* programs = nullptr;
};

// The services of a set that holds one implementation of each under these names
// (the Linux set of the program, the doubles of the tests).
template <typename Set> Services servicesOf(Set& set)
{
    Services s;
    s.processes = &set.processes;
    s.spawner = &set.spawner;
    s.probe = &set.probe;
    s.autostart = &set.autostart;
    s.hostLookup = &set.hostLookup;
    s.memory = &set.memory;
    s.user = &set.user;
    s.urls = &set.urls;
    s.prompt = &set.prompt;
    s.clock = &set.clock;
    s.tray = &set.tray;
    s.trash = &set.trash;
    s.volumes = &set.volumes;
    s.mountWatcher = &set.mountWatcher;
    s.programs = &set.programs;
    return s;
}

} // namespace orvanel::platform
