#pragma once

#include <QCache>
#include <QImage>
#include <QProxyStyle>

#include <array>
#include <functional>

namespace orvanel {

// The panel's style: the desktop's own, with scroll bars and the frames of tab pages,
// group boxes, lists and text boxes drawn from pictures kept from an earlier drawing of
// the same size and state. Qt's raster painter hands any fill over 95 pixel rows, and any
// line over 95 pixels, to its worker threads and waits for them, which on a busy or
// virtual machine costs more than the drawing itself; the long sides of these controls
// are such fills and lines. A kept picture is copied a band of rows at a time, which the
// painter does itself, and a page that is opened again paints at once. Only Fusion's
// controls are kept: another style may animate them. At a fractional scale factor
// nothing is kept.
class PanelStyle final : public QProxyStyle
{
    Q_OBJECT

public:
    // `base` as for QProxyStyle: null gives the style Qt would give the application.
    explicit PanelStyle(QStyle* base = nullptr);

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    using Drawing = std::function<void(QPainter&, const QRect&)>;
    // Draws with `draw` into a picture of the option's size kept under `key`, then copies
    // the picture to the option's place.
    void drawKept(QPainter* painter, const QStyleOption& option, const QByteArray& key,
                  const Drawing& draw) const;

    // A frame keeps its four sides alone, so that a page-sized frame costs a few rows and
    // columns of pixels rather than its whole area.
    struct Kept
    {
        QImage picture;              // the whole drawing; null for a frame
        std::array<QImage, 4> sides; // a frame's top, left, right and bottom sides
        QSize pixels;                // the drawing's size, in device pixels
        int border = -1; // a frame's edge around a clear inside, in pixels; -1: not a frame
    };

    bool m_keeps = false;
    mutable QCache<QByteArray, Kept> m_pictures; // cost: kilobytes
};

} // namespace orvanel
