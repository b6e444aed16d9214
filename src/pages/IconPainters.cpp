#include "pages/IconPainters.h"

#include "pages/AppIcons.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace orvanel::iconpainters {

namespace {

QPainterPath shieldPath()
{
    QPainterPath path;
    path.moveTo(8, 1);
    path.lineTo(14, 3);
    path.cubicTo(14, 9, 12, 13, 8, 15);
    path.cubicTo(4, 13, 2, 9, 2, 3);
    path.closeSubpath();
    return path;
}

void shield(QPainter& p, const QColor& fill)
{
    p.setPen(QPen(fill.darker(160), 1));
    p.setBrush(fill);
    p.drawPath(shieldPath());
}

void globe(QPainter& p, const QColor& colour)
{
    p.setPen(QPen(colour, 1.2));
    p.setBrush(colour.lighter(170));
    p.drawEllipse(QRectF(2, 2, 12, 12));
    p.drawEllipse(QRectF(5.5, 2, 5, 12));
    p.drawLine(QPointF(2, 8), QPointF(14, 8));
}

void lines(QPainter& p, const QColor& colour, int from, int to)
{
    p.setPen(QPen(colour, 1.5));
    for (int y = from; y <= to; y += 3)
        p.drawLine(QPointF(4, y), QPointF(12, y));
}

void document(QPainter& p, const QColor& colour)
{
    p.setPen(QPen(colour.darker(150), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3, 1.5, 10, 13));
    lines(p, colour, 5, 12);
}

void letter(QPainter& p, const QColor& colour, const QString& text)
{
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRectF(0, 0, Side, Side), Qt::AlignCenter, text);
}

// ImageList1, by position of the category list.
const std::array<Painter, AppIcons::CategoryIconCount>& categoryPainters()
{
    static const std::array<Painter, AppIcons::CategoryIconCount> painters = {
        // dashboard
        [](QPainter& p) { shield(p, QColor(40, 170, 60)); },
        // rules list
        [](QPainter& p) { document(p, QColor(30, 80, 200)); },
        // alerts list
        [](QPainter& p) {
            p.setPen(QPen(QColor(150, 80, 0), 1));
            p.setBrush(QColor(255, 170, 0));
            p.drawPolygon(QPolygonF({QPointF(8, 1), QPointF(15, 14), QPointF(1, 14)}));
            letter(p, Qt::black, u"!"_s);
        },
        // network options
        [](QPainter& p) {
            p.setPen(QPen(QColor(0, 90, 160), 1.5));
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
            p.setBrush(QColor(0, 140, 220));
            for (const QPointF c : {QPointF(4, 4), QPointF(12, 4), QPointF(4, 12), QPointF(12, 12)})
                p.drawEllipse(c, 2.5, 2.5);
        },
        // protocols and lists
        [](QPainter& p) {
            p.setPen(QPen(QColor(120, 0, 160), 2));
            p.drawLine(QPointF(2, 5), QPointF(13, 5));
            p.drawLine(QPointF(10, 2), QPointF(13, 5));
            p.drawLine(QPointF(3, 11), QPointF(14, 11));
            p.drawLine(QPointF(3, 11), QPointF(6, 14));
        },
        // settings and ports
        [](QPainter& p) {
            p.setPen(QPen(QColor(90, 90, 90), 2.5));
            for (int i = 0; i < 4; ++i) {
                p.save();
                p.translate(8, 8);
                p.rotate(45 * i);
                p.drawLine(QPointF(-7, 0), QPointF(7, 0));
                p.restore();
            }
            p.setBrush(QColor(160, 160, 160));
            p.setPen(QPen(QColor(60, 60, 60), 1));
            p.drawEllipse(QPointF(8, 8), 4.5, 4.5);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(8, 8), 1.8, 1.8);
        },
        // switches
        [](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(40, 170, 60));
            p.drawRoundedRect(QRectF(1, 4, 14, 8), 4, 4);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(11, 8), 3, 3);
        },
        // modification logs
        [](QPainter& p) {
            document(p, QColor(160, 60, 0));
            p.setPen(QPen(QColor(200, 0, 0), 1.5));
            p.drawLine(QPointF(9, 14), QPointF(15, 8));
        },
        // cookies and downloads
        [](QPainter& p) {
            p.setPen(QPen(QColor(120, 70, 20), 1));
            p.setBrush(QColor(210, 150, 80));
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            p.setBrush(QColor(80, 40, 10));
            for (const QPointF c : {QPointF(5, 6), QPointF(10, 5), QPointF(8, 10), QPointF(11, 11)})
                p.drawEllipse(c, 1, 1);
        },
        // backup
        [](QPainter& p) {
            p.setPen(QPen(QColor(20, 20, 90), 1));
            p.setBrush(QColor(50, 60, 160));
            p.drawRect(QRectF(2, 2, 12, 12));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 2, 7, 4.5));
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(QRectF(4, 9, 8, 5));
        },
        // folder search
        [](QPainter& p) {
            p.setPen(QPen(QColor(60, 60, 60), 2));
            p.drawLine(QPointF(9.5, 9.5), QPointF(14.5, 14.5));
            p.setBrush(QColor(180, 220, 255));
            p.setPen(QPen(QColor(40, 40, 40), 1.5));
            p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
        },
        // clean-up
        [](QPainter& p) {
            p.setPen(QPen(QColor(60, 60, 60), 1));
            p.setBrush(QColor(140, 140, 140));
            p.drawRect(QRectF(4, 5, 8, 10));
            p.drawRect(QRectF(2.5, 3, 11, 2));
            p.drawRect(QRectF(6, 1, 4, 2));
        },
        // web sites
        [](QPainter& p) {
            globe(p, QColor(0, 110, 190));
            p.setPen(QPen(QColor(220, 0, 0), 2));
            p.drawLine(QPointF(3, 13), QPointF(13, 3));
        },
        // scan
        [](QPainter& p) {
            p.setPen(QPen(QColor(0, 130, 90), 1.5));
            p.setBrush(Qt::NoBrush);
            for (const double r : {2.0, 4.5, 7.0})
                p.drawEllipse(QPointF(8, 8), r, r);
            p.drawLine(QPointF(8, 8), QPointF(14, 3));
        },
        // Internet address
        [](QPainter& p) {
            p.setPen(QPen(QColor(0, 60, 120), 1));
            p.setBrush(QColor(220, 235, 255));
            p.drawRect(QRectF(1.5, 3.5, 13, 9));
            letter(p, QColor(0, 60, 120), u"@"_s);
        },
        // about entry
        [](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(30, 100, 220));
            p.drawEllipse(QRectF(1, 1, 14, 14));
            letter(p, Qt::white, u"i"_s);
        },
        // web page entry
        [](QPainter& p) {
            p.setPen(QPen(QColor(120, 60, 0), 1));
            p.setBrush(QColor(240, 200, 120));
            p.drawPolygon(QPolygonF({QPointF(8, 1), QPointF(15, 8), QPointF(1, 8)}));
            p.drawRect(QRectF(3, 8, 10, 7));
        },
        // links
        [](QPainter& p) {
            p.setPen(QPen(QColor(80, 80, 80), 2));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(QRectF(1, 5, 8, 6), 3, 3);
            p.drawRoundedRect(QRectF(7, 5, 8, 6), 3, 3);
        },
        // memory
        [](QPainter& p) {
            p.setPen(QPen(QColor(20, 90, 20), 1));
            for (int x = 3; x <= 12; x += 3) {
                p.drawLine(QPointF(x, 1), QPointF(x, 15));
            }
            p.setBrush(QColor(30, 30, 30));
            p.drawRect(QRectF(2, 3.5, 12, 9));
        },
        // quit entry
        [](QPainter& p) {
            p.setPen(QPen(QColor(200, 0, 0), 2));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(2, 2.5, 12, 12), 120 * 16, 300 * 16);
            p.drawLine(QPointF(8, 1), QPointF(8, 8));
        },
        // spares
        [](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(240, 200, 0));
            QPolygonF star;
            for (int i = 0; i < 10; ++i) {
                const double r = i % 2 ? 3.0 : 7.0;
                const double a = (i * 36 - 90) * 3.14159265 / 180;
                star << QPointF(8 + r * std::cos(a), 8.5 + r * std::sin(a));
            }
            p.drawPolygon(star);
        },
        [](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 170, 170));
            p.drawPolygon(
                QPolygonF({QPointF(8, 1), QPointF(15, 8), QPointF(8, 15), QPointF(1, 8)}));
        },
        [](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(220, 40, 120));
            p.drawRoundedRect(QRectF(2, 2, 12, 12), 3, 3);
        },
    };
    return painters;
}

void stripes(QPainter& p, const std::array<QColor, 3>& colours, bool vertical)
{
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        p.setBrush(colours[std::size_t(i)]);
        const double from = 2 + i * 4.0;
        p.drawRect(vertical ? QRectF(from, 3, 4, 10) : QRectF(2, 3 + i * 10 / 3.0, 12, 10 / 3.0));
    }
}

void unitedKingdom(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(1, 33, 105));
    p.drawRect(QRectF(1, 3, 14, 10));
    p.setPen(QPen(Qt::white, 2.5));
    p.drawLine(QPointF(1, 3), QPointF(15, 13));
    p.drawLine(QPointF(15, 3), QPointF(1, 13));
    p.setPen(QPen(QColor(200, 16, 46), 1));
    p.drawLine(QPointF(1, 3), QPointF(15, 13));
    p.drawLine(QPointF(15, 3), QPointF(1, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 3, 3, 10));
    p.drawRect(QRectF(1, 6.5, 14, 3));
    p.setBrush(QColor(200, 16, 46));
    p.drawRect(QRectF(7.25, 3, 1.5, 10));
    p.drawRect(QRectF(1, 7.25, 14, 1.5));
}

// ImageList2, in the order of the language choice box.
const std::array<Painter, AppIcons::LanguageFlagCount>& flagPainters()
{
    static const std::array<Painter, AppIcons::LanguageFlagCount> painters = {
        [](QPainter& p) {
            stripes(p, {QColor(0, 35, 149), Qt::white, QColor(237, 41, 57)}, true);
        },
        [](QPainter& p) { unitedKingdom(p); },
        [](QPainter& p) {
            stripes(p, {QColor(170, 21, 27), QColor(241, 191, 0), QColor(170, 21, 27)}, false);
        },
        [](QPainter& p) {
            stripes(p, {Qt::black, QColor(221, 0, 0), QColor(255, 206, 0)}, false);
        },
        [](QPainter& p) {
            stripes(p, {QColor(0, 146, 70), Qt::white, QColor(206, 43, 55)}, true);
        },
    };
    return painters;
}

const std::array<Painter, 2>& internetPainters()
{
    static const std::array<Painter, 2> painters = {
        [](QPainter& p) { globe(p, QColor(0, 150, 60)); },
        [](QPainter& p) {
            globe(p, QColor(130, 130, 130));
            p.setPen(QPen(QColor(210, 0, 0), 2));
            p.drawLine(QPointF(2, 2), QPointF(14, 14));
        },
    };
    return painters;
}

const std::array<Painter, 1>& applicationPainters()
{
    static const std::array<Painter, 1> painters = {
        [](QPainter& p) {
            shield(p, QColor(20, 90, 200));
            p.setPen(QPen(Qt::white, 1.6));
            p.drawLine(QPointF(5, 8), QPointF(7.5, 10.5));
            p.drawLine(QPointF(7.5, 10.5), QPointF(11.5, 5.5));
        },
    };
    return painters;
}

// The list, its buttons and the language box show 16 logical pixels: 16 and 32 device
// pixels at the scales 1 and 2. The program's icon goes to the window manager and the
// notification area at every size of the freedesktop icon theme's common ones.
constexpr std::array<int, 2> ShownSizes = {16, 32};
constexpr std::array<int, 4> IconSizes = {16, 32, 48, 64};

} // namespace

Set categories()
{
    return {"category", categoryPainters(), ShownSizes};
}

Set flags()
{
    return {"flag", flagPainters(), ShownSizes};
}

Set internet()
{
    return {"internet", internetPainters(), ShownSizes};
}

Set application()
{
    return {"application", applicationPainters(), IconSizes};
}

std::array<Set, 4> allSets()
{
    return {categories(), flags(), internet(), application()};
}

QString stripFileName(const Set& set, int pixels)
{
    return QStringLiteral("%1-%2.argb").arg(QLatin1StringView(set.name)).arg(pixels);
}

QImage draw(const Painter& paint, int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(pixels / double(Side), pixels / double(Side));
    paint(painter);
    return image;
}

QImage strip(const Set& set, int pixels)
{
    QImage whole(pixels * int(set.painters.size()), pixels, QImage::Format_ARGB32_Premultiplied);
    whole.fill(Qt::transparent);
    QPainter painter(&whole);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (std::size_t i = 0; i < set.painters.size(); ++i)
        painter.drawImage(int(i) * pixels, 0, draw(set.painters[i], pixels));
    return whole;
}

QImage stripOf(const QByteArray& pixels, const Set& set, int side)
{
    const qsizetype width = qsizetype(side) * qsizetype(set.painters.size());
    if (side <= 0 || pixels.size() != width * side * 4)
        return {};
    return QImage(reinterpret_cast<const uchar*>(pixels.constData()), int(width), side,
                  int(width * 4), QImage::Format_ARGB32_Premultiplied);
}

} // namespace orvanel::iconpainters
