#include "platform/gui/LinuxPlatform.h"

namespace orvanel::platform {

LinuxPlatform::LinuxPlatform(QString workspace) : workspaceDir(std::move(workspace)) {}

Services LinuxPlatform::services()
{
    return servicesOf(*this);
}

} // namespace orvanel::platform
