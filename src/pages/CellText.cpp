#include "pages/CellText.h"

#include <QGlyphRun>
#include <QPainter>
#include <QRect>
#include <QVarLengthArray>

#include <algorithm>

namespace orvanel {

namespace {

// Longer texts are the text engine's: a cell never shows that many characters anyway.
constexpr qsizetype MaxChars = 1024;

// Characters that are drawn left to right one glyph each, with no shaping, no marks to
// place and nothing hidden: printable ASCII and the Latin letters and signs up to the
// combining marks, less the soft hyphen.
bool drawnAlone(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x20 && u < 0x7f) || (u >= 0xa0 && u < 0x300 && u != 0xad);
}

qreal widthOf(const QPointF* advances, qsizetype count)
{
    qreal width = 0;
    for (qsizetype i = 0; i < count; ++i)
        width += advances[i].x();
    return width;
}

} // namespace

bool CellText::useFont(const QFont& font)
{
    if (m_fontChosen && font == m_font)
        return m_fontUsable;
    m_font = font;
    m_fontChosen = true;
    // Only a font drawn without shaping, spacing or lines gives the text engine's result.
    m_fontUsable = (font.styleStrategy() & QFont::PreferNoShaping) && font.letterSpacing() == 0 &&
                   font.wordSpacing() == 0 && font.capitalization() == QFont::MixedCase &&
                   !font.underline() && !font.overline() && !font.strikeOut();
    if (!m_fontUsable)
        return false;
    m_raw = QRawFont::fromFont(font, QFontDatabase::Latin);
    m_fontUsable = m_raw.isValid();
    // The text engine's ellipsis: "…" from the font, else three full stops.
    m_ellipsis.clear();
    m_ellipsisWidth = 0;
    for (const auto& [text, count] : {std::pair{u"\u2026", 1}, std::pair{u".", 3}}) {
        quint32 glyph = 0;
        int found = 1;
        if (m_raw.glyphIndexesForChars(reinterpret_cast<const QChar*>(text), 1, &glyph, &found) &&
            glyph != 0) {
            QPointF advance;
            m_raw.advancesForGlyphIndexes(&glyph, &advance, 1);
            m_ellipsis.fill(glyph, count);
            m_ellipsisWidth = advance.x() * count;
            break;
        }
    }
    return m_fontUsable;
}

bool CellText::draw(QPainter& painter, const QFont& font, const QRect& box, Qt::Alignment align,
                    int baseline, QStringView text, Qt::TextElideMode mode)
{
    if ((mode != Qt::ElideRight && mode != Qt::ElideNone) ||
        painter.layoutDirection() != Qt::LeftToRight || text.size() > MaxChars ||
        !std::all_of(text.begin(), text.end(), drawnAlone) || !useFont(font))
        return false;
    const int count = int(text.size());
    QVarLengthArray<quint32, 128> glyphs(count);
    int found = count;
    if (!m_raw.glyphIndexesForChars(text.data(), count, glyphs.data(), &found) || found != count ||
        std::find(glyphs.begin(), glyphs.end(), 0u) != glyphs.end())
        return false; // a character from another font
    // Each glyph its own advance: unshaped text is not kerned by the text engine either.
    QVarLengthArray<QPointF, 128> advances(count);
    m_raw.advancesForGlyphIndexes(glyphs.data(), advances.data(), count);
    qreal width = widthOf(advances.data(), count);

    if (mode == Qt::ElideRight && count > 1 && width > box.width()) {
        if (m_ellipsis.isEmpty())
            return false;
        const qreal room = box.width() - m_ellipsisWidth;
        if (room < 0)
            return true; // nothing fits beside the ellipsis: the cell stays empty
        // Characters are kept while they end short of the room; the one that reaches it
        // goes, as in the text engine's elision.
        int kept = 0;
        qreal reached = advances[0].x();
        while (kept + 1 < count && reached < room)
            reached += advances[++kept].x();
        glyphs.resize(kept);
        advances.resize(kept);
        for (quint32 glyph : m_ellipsis) {
            glyphs.append(glyph);
            advances.append(QPointF(m_ellipsisWidth / m_ellipsis.size(), 0));
        }
        width = widthOf(advances.data(), advances.size());
    }

    QList<QPointF> positions;
    positions.reserve(glyphs.size());
    qreal x = 0;
    for (const QPointF& advance : advances) {
        positions.append(QPointF(x, 0));
        x += advance.x();
    }
    int left = box.left();
    if (align & (Qt::AlignRight | Qt::AlignHCenter)) {
        const int room = box.width() - qRound(width);
        left += align & Qt::AlignRight ? room : room / 2;
    }
    QGlyphRun run;
    run.setRawFont(m_raw);
    run.setGlyphIndexes(QList<quint32>(glyphs.begin(), glyphs.end()));
    run.setPositions(positions);
    painter.drawGlyphRun(QPointF(left, baseline), run);
    return true;
}

} // namespace orvanel
