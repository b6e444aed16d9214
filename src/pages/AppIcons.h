#pragma once

#include <QIcon>
#include <QPixmap>

// The panel's pictures, drawn in code so that the program needs no image files beside it.
namespace orvanel::AppIcons {

// ImageList1: one 16 by 16 picture per position of the category list (23 in all; the
// list shows twenty, the last three are spares that later categories may take).
inline constexpr int CategoryIconCount = 23;
QPixmap categoryPixmap(int position);
QIcon categoryIcon(int position);

// ImageList2: the flags of the language choice box, in its order FR, GB, ESP, DE, ITA.
inline constexpr int LanguageFlagCount = 5;
QPixmap languageFlagPixmap(int position);
QIcon languageFlag(int position);

// ImageList3: the Internet button's glyph, image 0 when the Internet switch is on and
// image 1 when it is off.
QPixmap internetPixmap(bool on);
QIcon internetGlyph(bool on);

// The program's own icon: a shield. Shown in the notification area and the about box.
QIcon applicationIcon();

} // namespace orvanel::AppIcons
