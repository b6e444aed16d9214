#include "platform/gui/FontConfiguration.h"

#include <fontconfig/fontconfig.h>

namespace orvanel::platform {

namespace {

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

void FontConfigurationRelease::operator()(FcConfig* config) const
{
    FcConfigDestroy(config);
}

FontConfiguration readFontConfiguration()
{
    FontConfiguration config(FcConfigCreate());
    if (!config || !FcConfigParseAndLoad(config.get(), nullptr, FcTrue) ||
        !namesACacheFolder(config.get()) || !FcConfigBuildFonts(config.get()))
        return {};
    return config;
}

bool loadFontConfiguration()
{
    static const bool loaded = [] {
        const FontConfiguration config = readFontConfiguration();
        // The current configuration holds a reference of its own.
        return config && FcConfigSetCurrent(config.get()) == FcTrue;
    }();
    return loaded;
}

} // namespace orvanel::platform
