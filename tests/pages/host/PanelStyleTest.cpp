// The panel's style draws what it keeps exactly as Fusion draws it, in every state a control
// goes through, from the first drawing and from the kept picture, on screens of one and of
// two device pixels a pixel.
#include "pages/PanelStyle.h"

#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabWidget>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

QImage picture(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

template <typename W> std::function<void(QWidget&)> step(std::function<void(W&)> change)
{
    return [change](QWidget& widget) { change(static_cast<W&>(widget)); };
}

QWidget* listWithRows()
{
    auto* list = new QTreeView;
    auto* rows = new QStandardItemModel(4, 3, list);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c)
            rows->setItem(r, c, new QStandardItem(u"row %1"_s.arg(r)));
    }
    rows->item(1)->appendRow(new QStandardItem(u"child"_s));
    list->setModel(rows);
    list->setAlternatingRowColors(true);
    list->setCurrentIndex(rows->index(2, 0));
    return list;
}

QWidget* tabPages()
{
    auto* tabs = new QTabWidget;
    tabs->addTab(new QWidget, u"Protocoles"_s);
    tabs->addTab(new QWidget, u"Listes"_s);
    return tabs;
}

TEST(PanelStyle, KeptControlsLookAsFusionDrawsThemInEveryState)
{
    const auto bar = [](Qt::Orientation orientation) {
        return [orientation]() -> QWidget* { return new QScrollBar(orientation); };
    };
    const std::vector<std::function<void(QWidget&)>> barStates = {
        step<QScrollBar>([](QScrollBar& b) { b.setRange(0, 0); }),
        step<QScrollBar>([](QScrollBar& b) { b.setRange(0, 1000); }),
        step<QScrollBar>([](QScrollBar& b) { b.setValue(500); }),
        step<QScrollBar>([](QScrollBar& b) { b.setValue(1000); }),
        step<QScrollBar>([](QScrollBar& b) { b.setPageStep(400); }),
        [](QWidget& w) { w.setEnabled(false); },
        [](QWidget& w) { w.setEnabled(true); },
    };
    const auto resized = [](QSize size) { return [size](QWidget& w) { w.resize(size); }; };
    const struct
    {
        const char* name;
        std::function<QWidget*()> make;
        QSize size;
        std::vector<std::function<void(QWidget&)>> states;
    } cases[] = {
        {"vertical scroll bar", bar(Qt::Vertical), {15, 190}, barStates},
        {"horizontal scroll bar", bar(Qt::Horizontal), {185, 15}, barStates},
        {"group box",
         [] { return new QGroupBox(u"Analyse"_s); },
         {505, 241},
         {resized({170, 120}), step<QGroupBox>([](QGroupBox& g) { g.setCheckable(true); })}},
        {"list", [] { return new QTreeView; }, {585, 320}, {resized({185, 189})}},
        {"list with rows", listWithRows, {300, 200}, {}},
        {"text box",
         [] {
             auto* text = new QPlainTextEdit;
             text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
             text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
             return text;
         },
         {185, 189},
         {}},
        {"tab pages",
         tabPages,
         {585, 320},
         {step<QTabWidget>([](QTabWidget& t) { t.setCurrentIndex(1); }), resized({300, 200})}},
    };
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(u"Fusion"_s));
    const PanelStyle panel(QStyleFactory::create(u"Fusion"_s));
    for (const auto& c : cases) {
        QWidget window;
        std::unique_ptr<QWidget> kept(c.make()), drawn(c.make());
        kept->setStyle(const_cast<PanelStyle*>(&panel));
        drawn->setStyle(fusion.get());
        for (QWidget* w : {kept.get(), drawn.get()}) {
            w->setParent(&window);
            w->resize(c.size);
        }
        window.show();
        for (std::size_t s = 0; s <= c.states.size(); ++s) {
            SCOPED_TRACE(std::string(c.name) + ", state " + std::to_string(s));
            if (s > 0) {
                c.states[s - 1](*kept);
                c.states[s - 1](*drawn);
            }
            const QImage expected = picture(*drawn);
            EXPECT_TRUE(picture(*kept) == expected);
            EXPECT_TRUE(picture(*kept) == expected) << "from the kept picture";
        }
    }
}

// What a screen at twice the scale shows: the style paints on a device of two pixels a
// pixel, and a kept picture holds twice the pixels of each side.
TEST(PanelStyle, KeptControlsAtTwiceTheScaleLookAsFusionDrawsThem)
{
    using Draw = std::function<void(const QStyle&, QPainter&, const QRect&)>;
    const auto frame = [](QStyle::PrimitiveElement element, int shape) -> Draw {
        return [element, shape](const QStyle& style, QPainter& painter, const QRect& rect) {
            QStyleOptionFrame option;
            option.rect = rect;
            option.state = QStyle::State_Enabled | QStyle::State_Sunken;
            option.lineWidth = 1;
            option.frameShape = QFrame::Shape(shape);
            style.drawPrimitive(element, &option, &painter);
        };
    };
    const auto bar = [](Qt::Orientation orientation, int value) -> Draw {
        return [=](const QStyle& style, QPainter& painter, const QRect& rect) {
            QStyleOptionSlider option;
            option.rect = rect;
            option.state = QStyle::State_Enabled;
            if (orientation == Qt::Horizontal)
                option.state |= QStyle::State_Horizontal;
            option.orientation = orientation;
            option.maximum = 1000;
            option.pageStep = 100;
            option.sliderPosition = option.sliderValue = value;
            option.subControls = QStyle::SC_All;
            style.drawComplexControl(QStyle::CC_ScrollBar, &option, &painter);
        };
    };
    const Draw tabs = [](const QStyle& style, QPainter& painter, const QRect& rect) {
        QStyleOptionTabWidgetFrame option;
        option.rect = rect;
        option.state = QStyle::State_Enabled;
        option.lineWidth = 1;
        option.tabBarRect = QRect(2, 0, 150, 22);
        option.selectedTabRect = QRect(2, 0, 75, 22);
        style.drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter);
    };
    const struct
    {
        const char* name;
        Draw draw;
        QSize size;
    } cases[] = {
        {"group box", frame(QStyle::PE_FrameGroupBox, QFrame::StyledPanel), {505, 241}},
        {"list", frame(QStyle::PE_Frame, QFrame::StyledPanel), {585, 320}},
        {"tab pages", tabs, {585, 320}},
        {"vertical scroll bar", bar(Qt::Vertical, 500), {15, 190}},
        {"horizontal scroll bar", bar(Qt::Horizontal, 0), {185, 15}},
    };
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(u"Fusion"_s));
    const PanelStyle panel(QStyleFactory::create(u"Fusion"_s));
    const auto paint = [](const QStyle& style, const Draw& draw, QSize size) {
        QImage image(size * 2, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        draw(style, painter, QRect(QPoint(0, 0), size));
        return image;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage expected = paint(*fusion, c.draw, c.size);
        EXPECT_TRUE(paint(panel, c.draw, c.size) == expected);
        EXPECT_TRUE(paint(panel, c.draw, c.size) == expected) << "from the kept picture";
    }
}

} // namespace
} // namespace orvanel::testing
