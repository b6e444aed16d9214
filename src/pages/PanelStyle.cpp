#include "pages/PanelStyle.h"

#include <QDataStream>
#include <QIODevice>
#include <QPainter>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

// Rows copied at once: below the painter's threshold for worker threads even where the
// target is clipped to a few pieces a row.
constexpr int BandRows = 24;
constexpr int KeptKilobytes = 8 * 1024;

// What a drawing of Fusion's depends on, for every kept control: its size, state, colours
// and direction, and the resolution it is drawn at.
QByteArray keyOf(char kind, const QStyleOption& option, qreal resolution)
{
    QByteArray key;
    QDataStream out(&key, QIODevice::WriteOnly);
    out << qint8(kind) << option.rect.size() << quint32(option.state) << option.palette.cacheKey()
        << qint8(option.direction) << resolution;
    return key;
}

// Copies `part` of `picture` (in its pixels) with its top left corner at `to`, a band of
// rows at a time.
void copyRows(QPainter& painter, const QPointF& to, const QImage& picture, const QRect& part)
{
    const qreal resolution = picture.devicePixelRatio();
    for (int row = part.top(); row <= part.bottom(); row += BandRows) {
        const int rows = std::min(BandRows, part.bottom() + 1 - row);
        painter.drawImage(QRectF(to.x(), to.y() + (row - part.top()) / resolution,
                                 part.width() / resolution, rows / resolution),
                          picture, QRectF(part.left(), row, part.width(), rows));
    }
}

// True when no pixel of the row is drawn on at all.
bool clearRow(const QRgb* pixels, int count)
{
    QRgb drawn = 0;
    for (int x = 0; x < count; ++x)
        drawn |= pixels[x];
    return qAlpha(drawn) == 0;
}

// The width of the edge around a clear inside, when the picture is a frame: the least
// inset past which every pixel is fully transparent, up to a few pixels; -1 otherwise.
// `image` is premultiplied ARGB.
int clearInside(const QImage& image)
{
    constexpr int MostBorder = 8;
    const int width = image.width(), height = image.height();
    // Each inset from the thinnest edge up; a drawn row ends the look at once.
    for (int border = 0; border <= MostBorder && 2 * border < std::min(width, height); ++border) {
        bool clear = true;
        for (int y = border; clear && y < height - border; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            clear = clearRow(line + border, width - 2 * border);
        }
        if (clear)
            return border;
    }
    return -1;
}

// What Fusion leaves blank, which it would still work out its colours for: a list row's
// background that is neither selected nor alternate, and a tree branch without children.
// Lists ask for these once a cell and once a row.
bool drawsNothing(QStyle::PrimitiveElement element, const QStyleOption& option)
{
    if (element == QStyle::PE_IndicatorBranch)
        return !(option.state & QStyle::State_Children);
    if (element == QStyle::PE_PanelItemViewRow) {
        const auto* row = qstyleoption_cast<const QStyleOptionViewItem*>(&option);
        return row && !(row->state & QStyle::State_Selected) &&
               !(row->features & QStyleOptionViewItem::Alternate);
    }
    return false;
}

} // namespace

PanelStyle::PanelStyle(QStyle* base) : QProxyStyle(base), m_pictures(KeptKilobytes)
{
    m_keeps = baseStyle()->name().compare(u"fusion"_s, Qt::CaseInsensitive) == 0;
}

void PanelStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                    QPainter* painter, const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar || !m_keeps) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    QByteArray key = keyOf('s', *bar, painter->device()->devicePixelRatio());
    QDataStream out(&key, QIODevice::Append);
    out << qint8(bar->orientation) << bar->minimum << bar->maximum << bar->sliderPosition
        << bar->pageStep << bar->upsideDown << quint32(bar->subControls)
        << quint32(bar->activeSubControls);
    drawKept(painter, *bar, key, [&](QPainter& picture, const QRect& rect) {
        QStyleOptionSlider moved = *bar;
        moved.rect = rect;
        QProxyStyle::drawComplexControl(control, &moved, &picture, widget);
    });
}

void PanelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const
{
    const qreal resolution = painter->device()->devicePixelRatio();
    if (m_keeps && element == PE_FrameTabWidget) {
        if (const auto* frame = qstyleoption_cast<const QStyleOptionTabWidgetFrame*>(option)) {
            QByteArray key = keyOf('t', *frame, resolution);
            QDataStream out(&key, QIODevice::Append);
            out << qint8(frame->shape) << frame->tabBarRect.translated(-frame->rect.topLeft())
                << frame->selectedTabRect.translated(-frame->rect.topLeft())
                << frame->leftCornerWidgetSize << frame->rightCornerWidgetSize << frame->lineWidth;
            drawKept(painter, *frame, key, [&](QPainter& picture, const QRect& rect) {
                QStyleOptionTabWidgetFrame moved = *frame;
                const QPoint shift = rect.topLeft() - frame->rect.topLeft();
                moved.rect = rect;
                moved.tabBarRect.translate(shift);
                moved.selectedTabRect.translate(shift);
                QProxyStyle::drawPrimitive(element, &moved, &picture, widget);
            });
            return;
        }
    }
    // Group boxes and the frames of lists and text boxes; the frame of a drop-down's list is
    // drawn its own way.
    const bool keptFrame =
        element == PE_FrameGroupBox ||
        (element == PE_Frame && !(widget && widget->inherits("QComboBoxPrivateContainer")));
    if (m_keeps && keptFrame) {
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option)) {
            QByteArray key = keyOf(element == PE_Frame ? 'f' : 'g', *frame, resolution);
            QDataStream out(&key, QIODevice::Append);
            out << frame->lineWidth << frame->midLineWidth << quint32(frame->features)
                << qint32(frame->frameShape);
            drawKept(painter, *frame, key, [&](QPainter& picture, const QRect& rect) {
                QStyleOptionFrame moved = *frame;
                moved.rect = rect;
                QProxyStyle::drawPrimitive(element, &moved, &picture, widget);
            });
            return;
        }
    }
    if (m_keeps && drawsNothing(element, *option))
        return;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void PanelStyle::drawKept(QPainter* painter, const QStyleOption& option, const QByteArray& key,
                          const Drawing& draw) const
{
    const QRect place = option.rect;
    if (place.isEmpty())
        return;
    // At a fractional scale a control's edges fall inside device pixels: a picture of
    // whole pixels would lose or blur them, so such scales are drawn as they come.
    const qreal resolution = painter->device()->devicePixelRatio();
    if (resolution != std::floor(resolution)) {
        draw(*painter, place);
        return;
    }
    const Kept* kept = m_pictures.object(key);
    if (!kept) {
        auto made = std::make_unique<Kept>();
        QImage picture(place.size() * resolution, QImage::Format_ARGB32_Premultiplied);
        picture.setDevicePixelRatio(resolution);
        picture.fill(Qt::transparent);
        {
            QPainter on(&picture);
            on.setRenderHints(painter->renderHints());
            draw(on, QRect(QPoint(0, 0), place.size()));
        }
        made->pixels = picture.size();
        made->border = clearInside(picture);
        const int width = picture.width(), height = picture.height(), border = made->border;
        qsizetype pixels = qsizetype(width) * height;
        if (border > 0) {
            made->sides = {picture.copy(0, 0, width, border),
                           picture.copy(0, border, border, height - 2 * border),
                           picture.copy(width - border, border, border, height - 2 * border),
                           picture.copy(0, height - border, width, border)};
            pixels = 2 * qsizetype(border) * (width + height - 2 * border);
        } else if (border == 0) {
            pixels = 0; // nothing drawn
        } else {
            made->picture = std::move(picture);
        }
        kept = made.get();
        if (!m_pictures.insert(key, made.release(), pixels * 4 / 1024 + 1)) {
            // Larger than the whole store: drawn as it comes.
            draw(*painter, place);
            return;
        }
    }
    if (kept->border < 0) {
        copyRows(*painter, place.topLeft(), kept->picture, kept->picture.rect());
        return;
    }
    // A frame: its sides only, the inside being clear.
    const int width = kept->pixels.width(), height = kept->pixels.height();
    const int border = kept->border;
    const QPointF at = place.topLeft();
    const QPointF places[] = {at, at + QPointF(0, border / resolution),
                              at + QPointF((width - border) / resolution, border / resolution),
                              at + QPointF(0, (height - border) / resolution)};
    for (std::size_t side = 0; side < kept->sides.size(); ++side) {
        if (!kept->sides[side].isNull())
            copyRows(*painter, places[side], kept->sides[side], kept->sides[side].rect());
    }
}

} // namespace orvanel
