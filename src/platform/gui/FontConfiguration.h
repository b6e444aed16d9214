#pragma once

namespace orvanel::platform {

// Makes the desktop's font configuration fontconfig's current one before Qt first asks
// for a font: fonts.conf (or FONTCONFIG_FILE) with everything it includes, and the font
// lists of the caches it names. This is what fontconfig's own start loads for Qt, less
// one step: its start also reads every file of the folder of available configuration
// files, switched on or not, only to list their descriptions (fc-conflist). Nothing a
// window draws uses them, and that reading costs about as much as the configuration.
//
// Answers false, and leaves the start to fontconfig, when the configuration could not be
// read or names no cache folder: fontconfig then falls back to its defaults and says
// why. Call it before QApplication, so that nothing has started fontconfig yet; it loads
// once, and later calls answer the first one's result.
bool loadFontConfiguration();

} // namespace orvanel::platform
