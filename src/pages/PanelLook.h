#pragma once

#include <QColor>
#include <QFont>
#include <QLatin1StringView>

class QApplication;

// What the panel looks like whatever the desktop: its own font, and Qt's own boxes and
// buttons in the desktop's language.
namespace orvanel::panellook {

// The family of the panel's font: a free sans with the widths of the small sans the window
// was drawn with, shipped as a dependency of the package (fonts-liberation2).
inline constexpr QLatin1StringView FontFamily("Liberation Sans");
// The window was drawn for an 11-pixel font; logical pixels, so that it grows with the
// desktop's scale factor.
inline constexpr int FontPixelSize = 11;

QFont panelFont();

// Black or white, whichever reads better on a fixed `background`: the text colour of a
// control whose background does not follow the desktop's palette.
QColor textColourOn(const QColor& background);

// The contrast of two colours as the web's accessibility guidelines reckon it, 1 to 21.
double contrast(const QColor& a, const QColor& b);

// The panel's font for every window of `app`, and Qt's translations for the system's
// language (Yes/No, the file and folder dialogs), when they are installed.
void install(QApplication& app);

} // namespace orvanel::panellook
