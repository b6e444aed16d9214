// The panel's style draws what it keeps exactly as Fusion draws it, in every state a control
// goes through, from the first drawing and from the kept picture.
#include "pages/PanelStyle.h"

#include <QGroupBox>
#include <QImage>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleFactory>
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

} // namespace
} // namespace orvanel::testing
