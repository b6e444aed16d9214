#pragma once

#include "platform/MountWatcher.h"
#include "platform/Services.h"

namespace orvanel {

class EngineControl;
class TextTable;

// A volume attached while the panel runs: the panel offers to scan it. Only a new local
// volume is offered; a network volume or a new mount over an existing mount point (a
// medium changed in a drive) asks nothing. Several volumes at once each ask their own
// question, and each answer acts only for its own volume.
class VolumeArrival final
{
public:
    // Starts listening to the services' mount watcher until destroyed.
    VolumeArrival(const TextTable& texts, EngineControl& engines,
                  const platform::Services& services);
    ~VolumeArrival();
    VolumeArrival(const VolumeArrival&) = delete;
    VolumeArrival& operator=(const VolumeArrival&) = delete;

    // Asks entry 91 + the mount point + " ?"; on Yes the volume's root is listed and, when
    // that answers 42, scanwapper.exe scans the volume ("3" and the mount point).
    void WMDeviceChange(const platform::MountArrival& arrival);

private:
    const TextTable& m_texts;
    EngineControl& m_engines;
    const platform::Services& m_services;
};

} // namespace orvanel
