#pragma once

#include <QIcon>
#include <QPixmap>

// The panel's pictures, drawn in code; the build bakes the sizes shown most into resources
// inside the program, so that it needs no image files beside it and the start draws
// nothing. Each is made at the pixel size of the device pixel ratio asked for, never
// enlarged: a picture's size in logical pixels stays 16 at any scale. The icons show
// themselves at the size and ratio they are shown at.
namespace orvanel::AppIcons {

// ImageList1: one 16 by 16 picture per position of the category list (23 in all; the
// list shows twenty, the last three are spares that later categories may take).
inline constexpr int CategoryIconCount = 23;
QPixmap categoryPixmap(int position, qreal ratio = 1.0);
QIcon categoryIcon(int position);

// ImageList2: the flags of the language choice box, in its order FR, GB, ESP, DE, ITA.
inline constexpr int LanguageFlagCount = 5;
QPixmap languageFlagPixmap(int position, qreal ratio = 1.0);
QIcon languageFlag(int position);

// ImageList3: the Internet button's glyph, image 0 when the Internet switch is on and
// image 1 when it is off.
QPixmap internetPixmap(bool on, qreal ratio = 1.0);
QIcon internetGlyph(bool on);

// The program's own icon: a shield. Shown in the notification area and the about box.
QIcon applicationIcon();

} // namespace orvanel::AppIcons
