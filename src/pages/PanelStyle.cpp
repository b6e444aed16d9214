#include "pages/PanelStyle.h"

#include <QDataStream>
#include <QIODevice>
#include <QPainter>
#include <QStyleOption>

#include <algorithm>

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
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void PanelStyle::drawKept(QPainter* painter, const QStyleOption& option, const QByteArray& key,
                          const Drawing& draw) const
{
    const QRect place = option.rect;
    if (place.isEmpty())
        return;
    const QPixmap* kept = m_pictures.object(key);
    if (!kept) {
        const qreal resolution = painter->device()->devicePixelRatio();
        auto picture = std::make_unique<QPixmap>(place.size() * resolution);
        picture->setDevicePixelRatio(resolution);
        picture->fill(Qt::transparent);
        {
            QPainter on(picture.get());
            on.setRenderHints(painter->renderHints());
            draw(on, QRect(QPoint(0, 0), place.size()));
        }
        const qsizetype kilobytes = picture->width() * picture->height() * 4 / 1024 + 1;
        kept = picture.get();
        if (!m_pictures.insert(key, picture.release(), kilobytes)) {
            // Larger than the whole store: drawn as it comes.
            draw(*painter, place);
            return;
        }
    }
    const qreal resolution = kept->devicePixelRatio();
    for (int row = 0; row < kept->height(); row += BandRows) {
        const int rows = std::min(BandRows, kept->height() - row);
        painter->drawPixmap(QRectF(place.left(), place.top() + row / resolution,
                                   kept->width() / resolution, rows / resolution),
                            *kept, QRectF(0, row, kept->width(), rows));
    }
}

} // namespace orvanel
