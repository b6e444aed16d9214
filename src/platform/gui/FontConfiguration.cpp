#include "platform/gui/FontConfiguration.h"

#include <fontconfig/fontconfig.h>

#include <memory>

namespace orvanel::platform {

namespace {

struct ConfigRelease
{
    void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};

struct StrListRelease
{
    void operator()(FcStrList* list) const { FcStrListDone(list); }
};

bool namesACacheFolder(FcConfig* config)
{
    const std::unique_ptr<FcStrList, StrListRelease> folders(FcConfigGetCacheDirs(config));
    return folders && FcStrListNext(folders.get()) != nullptr;
}

} // namespace

bool loadFontConfiguration()
{
    static const bool loaded = [] {
        const std::unique_ptr<FcConfig, ConfigRelease> config(FcConfigCreate());
        if (!config || !FcConfigParseAndLoad(config.get(), nullptr, FcTrue) ||
            !namesACacheFolder(config.get()) || !FcConfigBuildFonts(config.get()))
            return false;
        // The current configuration holds a reference of its own.
        return FcConfigSetCurrent(config.get()) == FcTrue;
    }();
    return loaded;
}

} // namespace orvanel::platform
