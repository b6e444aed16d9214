// The panel's style draws kept scroll bars and tab page frames exactly as Fusion draws them,
// in every state a control goes through, from the first drawing and from the kept one.
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

struct Styles
{
    std::unique_ptr<QStyle> fusion{QStyleFactory::create(u"Fusion"_s)};
    std::unique_ptr<PanelStyle> panel =
        std::make_unique<PanelStyle>(QStyleFactory::create(u"Fusion"_s));
};

TEST(PanelStyle, ScrollBarsLookAsFusionDrawsThemInEveryState)
{
    Styles styles;
    const struct
    {
        Qt::Orientation orientation;
        QSize size;
    } bars[] = {{Qt::Vertical, {15, 190}}, {Qt::Horizontal, {185, 15}}};
    const std::function<void(QScrollBar&)> states[] = {
        [](QScrollBar& bar) { bar.setRange(0, 0); },
        [](QScrollBar& bar) { bar.setRange(0, 1000); },
        [](QScrollBar& bar) { bar.setValue(500); },
        [](QScrollBar& bar) { bar.setValue(1000); },
        [](QScrollBar& bar) { bar.setPageStep(400); },
        [](QScrollBar& bar) { bar.setEnabled(false); },
        [](QScrollBar& bar) {
            bar.setEnabled(true);
            bar.setValue(0);
        },
    };
    for (const auto& b : bars) {
        QScrollBar kept(b.orientation), drawn(b.orientation);
        kept.setStyle(styles.panel.get());
        drawn.setStyle(styles.fusion.get());
        kept.resize(b.size);
        drawn.resize(b.size);
        for (std::size_t i = 0; i < std::size(states); ++i) {
            SCOPED_TRACE("orientation " + std::to_string(b.orientation) + ", state " +
                         std::to_string(i));
            states[i](kept);
            states[i](drawn);
            const QImage expected = picture(drawn);
            EXPECT_TRUE(picture(kept) == expected);
            EXPECT_TRUE(picture(kept) == expected) << "from the kept picture";
        }
    }
}

TEST(PanelStyle, GroupBoxesListsAndTextBoxesLookAsFusionDrawsThem)
{
    Styles styles;
    const struct
    {
        const char* name;
        std::function<QWidget*()> make;
    } controls[] = {
        {"group box", [] { return new QGroupBox(u"Analyse"_s); }},
        {"checkable group box",
         [] {
             auto* box = new QGroupBox(u"Analyse"_s);
             box->setCheckable(true);
             return box;
         }},
        {"list", [] { return new QTreeView; }},
        {"list with rows",
         [] {
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
         }},
        {"text box",
         [] {
             auto* text = new QPlainTextEdit;
             text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
             text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
             return text;
         }},
    };
    for (const auto& c : controls) {
        for (const QSize size : {QSize(505, 241), QSize(185, 189)}) {
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(size.width()));
            QWidget window;
            std::unique_ptr<QWidget> kept(c.make()), drawn(c.make());
            kept->setStyle(styles.panel.get());
            drawn->setStyle(styles.fusion.get());
            for (QWidget* w : {kept.get(), drawn.get()}) {
                w->setParent(&window);
                w->resize(size);
            }
            window.show();
            const QImage expected = picture(*drawn);
            EXPECT_TRUE(picture(*kept) == expected);
            EXPECT_TRUE(picture(*kept) == expected) << "from the kept picture";
        }
    }
}

TEST(PanelStyle, TabPageFramesLookAsFusionDrawsThem)
{
    Styles styles;
    for (const QSize size : {QSize(585, 320), QSize(300, 200)}) {
        QTabWidget kept, drawn;
        for (QTabWidget* tabs : {&kept, &drawn}) {
            tabs->setStyle(tabs == &kept ? static_cast<QStyle*>(styles.panel.get())
                                         : styles.fusion.get());
            tabs->addTab(new QWidget, u"Protocoles"_s);
            tabs->addTab(new QWidget, u"Listes"_s);
            tabs->resize(size);
            tabs->show();
        }
        for (int current : {0, 1}) {
            SCOPED_TRACE(std::to_string(size.width()) + " wide, tab " + std::to_string(current));
            kept.setCurrentIndex(current);
            drawn.setCurrentIndex(current);
            const QImage expected = picture(drawn);
            EXPECT_TRUE(picture(kept) == expected);
            EXPECT_TRUE(picture(kept) == expected) << "from the kept picture";
        }
    }
}

} // namespace
} // namespace orvanel::testing
