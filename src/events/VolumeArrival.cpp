#include "events/VolumeArrival.h"

#include "lang/TextTable.h"
#include "workspace/EngineControl.h"
#include "workspace/Names.h"

using namespace Qt::StringLiterals;

namespace orvanel {

VolumeArrival::VolumeArrival(const TextTable& texts, EngineControl& engines,
                             const platform::Services& services)
    : m_texts(texts), m_engines(engines), m_services(services)
{
    if (m_services.mountWatcher) {
        m_services.mountWatcher->setArrivalHandler(
            [this](const platform::MountArrival& arrival) { WMDeviceChange(arrival); });
    }
}

VolumeArrival::~VolumeArrival()
{
    if (m_services.mountWatcher)
        m_services.mountWatcher->setArrivalHandler({});
}

void VolumeArrival::WMDeviceChange(const platform::MountArrival& arrival)
{
    if (arrival.flags != 0 || arrival.mountPoint.isEmpty() || !m_services.volumes)
        return;
    // A volume that does not answer (torn down already, not ready) is skipped silently.
    if (!m_services.volumes->isReady(arrival.mountPoint))
        return;
    if (!m_services.prompt->askYesNo(m_texts.text(91) + arrival.mountPoint + u" ?"_s))
        return;
    if (m_services.volumes->listRoot(arrival.mountPoint) != platform::Volumes::Success)
        return;
    // Two arguments: a mount point may hold blanks.
    m_engines.start(names::ScanEngine, QStringList{u"3"_s, arrival.mountPoint});
}

} // namespace orvanel
