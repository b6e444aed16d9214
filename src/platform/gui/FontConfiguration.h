#pragma once

#include <memory>

struct _FcConfig; // fontconfig's FcConfig

namespace orvanel::platform {

struct FontConfigurationRelease
{
    void operator()(_FcConfig* config) const;
};
using FontConfiguration = std::unique_ptr<_FcConfig, FontConfigurationRelease>;

// The desktop's font configuration as fontconfig's own start reads it for Qt: fonts.conf
// (or FONTCONFIG_FILE) with everything it includes, and the font lists of the caches it
// names. Less one step: fontconfig's start also reads every file of the folder of
// available configuration files, switched on or not, only to list their descriptions
// (fc-conflist). Nothing a window draws uses them, and that reading costs about as much
// as the configuration itself. Null when the configuration could not be read or names
// no cache folder; fontconfig's start then falls back to its defaults and says why.
FontConfiguration readFontConfiguration();

// Makes that configuration fontconfig's current one before Qt first asks for a font;
// false leaves the start to fontconfig. Call it before QApplication, so that nothing has
// started fontconfig yet; it loads once, and later calls answer the first one's result.
bool loadFontConfiguration();

} // namespace orvanel::platform
