#pragma once

#include <QFont>
#include <QList>
#include <QRawFont>
#include <QStringView>

class QPainter;
class QRect;

namespace orvanel {

// One line of a list cell's text, drawn straight from the font's glyphs when none of its
// characters needs the text engine: Latin letters, digits and punctuation that the font
// itself holds, in a font that asks for no shaping. The text engine would itemize the
// text, map and measure it for the elision, then do it all again to draw; here the glyphs
// are looked up and measured once. What shows is what QFontMetrics::elidedText and
// QPainter::drawText give, pixel for pixel.
class CellText final
{
public:
    // Draws `text` on `baseline` within `box`, aligned left, right or in the middle as
    // `align` says and elided at the right when `mode` is Qt::ElideRight and it is wider.
    // Draws nothing and answers false when the text needs the text engine: the caller
    // draws it then.
    bool draw(QPainter& painter, const QFont& font, const QRect& box, Qt::Alignment align,
              int baseline, QStringView text, Qt::TextElideMode mode);

private:
    bool useFont(const QFont& font);

    QFont m_font;
    bool m_fontChosen = false;
    bool m_fontUsable = false;
    QRawFont m_raw;
    QList<quint32> m_ellipsis; // "…", or "..." when the font has no "…"
    qreal m_ellipsisWidth = 0;
};

} // namespace orvanel
