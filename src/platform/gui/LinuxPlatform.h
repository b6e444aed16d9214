#pragma once

#include "platform/Services.h"
#include "platform/gui/DesktopUrlOpener.h"
#include "platform/gui/MessageBoxPrompt.h"
#include "platform/gui/QtSystemTray.h"
#include "platform/linux/FlockProbe.h"
#include "platform/linux/FreedesktopTrash.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/linux/LinuxSpawner.h"
#include "platform/linux/LinuxUserEnvironment.h"
#include "platform/linux/LinuxVolumes.h"
#include "platform/linux/ProcMemoryStatus.h"
#include "platform/linux/ProcMountWatcher.h"
#include "platform/linux/ProgramLookup.h"
#include "platform/linux/SocketHostLookup.h"
#include "platform/linux/SystemClock.h"
#include "platform/linux/XdgAutostartEntries.h"

namespace orvanel::platform {

// Every Linux service of one run of the panel, set up from the user's environment. The
// program keeps one for its whole life and hands out services().
struct LinuxPlatform final
{
    explicit LinuxPlatform(QString workspaceDir);
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    Services services();

    QString workspaceDir;
    LinuxProcessTable processes;
    LinuxSpawner spawner;
    FlockProbe probe;
    XdgAutostartEntries autostart;
    SocketHostLookup hostLookup;
    ProcMemoryStatus memory;
    LinuxUserEnvironment user;
    DesktopUrlOpener urls;
    MessageBoxPrompt prompt;
    SystemClock clock;
    QtSystemTray tray;
    FreedesktopTrash trash;
    LinuxVolumes volumes;
    ProcMountWatcher mountWatcher;
    PathProgramCheck programs;
};

} // namespace orvanel::platform
