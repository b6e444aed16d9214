// Cell text drawn from the font's glyphs must look exactly like the text engine's elided
// text, and must leave to the text engine whatever it cannot draw the same.
#include "pages/CellText.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

QFont cellFont()
{
    QFont font = QApplication::font();
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

QImage blank()
{
    QImage image(240, 24, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// What the text engine shows of `text` in `box`.
QImage byTextEngine(const QFont& font, const QRect& box, Qt::Alignment align, const QString& text)
{
    QImage image = blank();
    QPainter painter(&image);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const QString shown = metrics.elidedText(text, Qt::ElideRight, box.width());
    int x = box.left();
    const int room = box.width() - metrics.horizontalAdvance(shown);
    if (align & Qt::AlignRight)
        x += room;
    else if (align & Qt::AlignHCenter)
        x += room / 2;
    painter.drawText(QPoint(x, 16), shown);
    return image;
}

std::optional<QImage> byCellText(const QFont& font, const QRect& box, Qt::Alignment align,
                                 const QString& text,
                                 Qt::LayoutDirection direction = Qt::LeftToRight)
{
    QImage image = blank();
    QPainter painter(&image);
    painter.setLayoutDirection(direction);
    CellText cell;
    if (!cell.draw(painter, font, box, align, 16, text, Qt::ElideRight))
        return std::nullopt;
    return image;
}

TEST(CellText, LatinTextLooksExactlyAsTheTextEngineDrawsIt)
{
    const struct
    {
        QString text;
        int width;
        Qt::Alignment align;
    } cases[] = {
        {u"firefox.exe"_s, 200, Qt::AlignLeft},
        {u"C:\\Program Files\\Mozilla Firefox\\firefox.exe"_s, 120, Qt::AlignLeft},
        {u"09/12/2026 05:12:14"_s, 60, Qt::AlignLeft},
        {u"Zürich Àéîõü ÿ Œuvre"_s, 90, Qt::AlignLeft},
        {u"AVA WAVE To Ty"_s, 200, Qt::AlignLeft},
        {u"AVA WAVE To Ty"_s, 50, Qt::AlignLeft},
        {u"TCP"_s, 100, Qt::AlignRight},
        {u"Inconnu"_s, 100, Qt::AlignHCenter},
        {u"ab"_s, 9, Qt::AlignLeft},
        {u"W"_s, 3, Qt::AlignLeft},
        {u"program"_s, 2, Qt::AlignLeft},
    };
    const QFont font = cellFont();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " in " + std::to_string(c.width));
        const QRect box(4, 0, c.width, 24);
        const std::optional<QImage> drawn = byCellText(font, box, c.align, c.text);
        ASSERT_TRUE(drawn.has_value());
        EXPECT_TRUE(*drawn == byTextEngine(font, box, c.align, c.text));
    }
}

TEST(CellText, LeavesToTheTextEngineWhatItCannotDrawTheSame)
{
    const QRect box(4, 0, 200, 24);
    for (const QString& text :
         {u"日本語"_s, u"e\u0301t\u00e9"_s, u"soft\u00adhyphen"_s, u"\u05e9\u05dc\u05d5\u05dd"_s}) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_FALSE(byCellText(cellFont(), box, Qt::AlignLeft, text));
    }
    EXPECT_FALSE(byCellText(cellFont(), box, Qt::AlignLeft, u"firefox.exe"_s, Qt::RightToLeft));
    QFont shaped = cellFont();
    shaped.setStyleStrategy(QFont::PreferDefault);
    EXPECT_FALSE(byCellText(shaped, box, Qt::AlignLeft, u"office"_s));
    QFont spaced = cellFont();
    spaced.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    EXPECT_FALSE(byCellText(spaced, box, Qt::AlignLeft, u"office"_s));
}

} // namespace
} // namespace orvanel::testing
