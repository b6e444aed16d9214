#include "platform/gui/LinuxPlatform.h"

namespace orvanel::platform {

LinuxPlatform::LinuxPlatform(QString workspace) : workspaceDir(std::move(workspace)) {}

Services LinuxPlatform::services()
{
    Services s;
    s.processes = &processes;
    s.spawner = &spawner;
    s.probe = &probe;
    s.autostart = &autostart;
    s.hostLookup = &hostLookup;
    s.memory = &memory;
    s.user = &user;
    s.urls = &urls;
    s.prompt = &prompt;
    s.clock = &clock;
    s.tray = &tray;
    return s;
}

} // namespace orvanel::platform
