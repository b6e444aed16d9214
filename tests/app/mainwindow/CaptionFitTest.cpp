// Every caption reads whole in the panel's own font: each page of the window, its fixed
// controls and the about box, in the five languages; the category rows and the state
// lines read on a dark desktop too.
#include "WindowFixture.h"

#include "pages/CaptionFit.h"
#include "pages/CategoryListDelegate.h"
#include "pages/Page.h"
#include "pages/PageHost.h"
#include "pages/PageRegistry.h"
#include "pages/PanelLook.h"
#include "pages/settings/AboutBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

// The captions a control shows; for a tab bar, those of its tabs.
QStringList captionsOf(const QWidget& control)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control))
        return {button->text()};
    if (const auto* group = qobject_cast<const QGroupBox*>(&control))
        return {group->title()};
    QStringList tabs;
    if (const auto* bar = qobject_cast<const QTabBar*>(&control)) {
        for (int i = 0; i < bar->count(); ++i)
            tabs.append(bar->tabText(i));
    }
    return tabs;
}

// The width a label or a check box asks of its own accord, where Qt knows it.
int askedWidth(const QWidget& control, int measured)
{
    const auto* label = qobject_cast<const QLabel*>(&control);
    if ((label && !label->wordWrap()) || qobject_cast<const QCheckBox*>(&control) ||
        qobject_cast<const QRadioButton*>(&control))
        return std::max(measured, control.sizeHint().width());
    return measured;
}

// What keeps a caption on show under `root` from reading whole, one line per fault.
QStringList captionFaults(const QWidget& root)
{
    QStringList faults;
    for (const QWidget* control : root.findChildren<QWidget*>()) {
        const std::optional<captionfit::Room> room = captionfit::roomOf(control);
        if (!room || !control->isVisibleTo(&root))
            continue;
        const QString at = u"%1 \"%2\": "_s.arg(control->objectName(), room->shown);
        const int needed = askedWidth(*control, room->need.width());
        const int width = needed == room->need.width() ? room->room.width() : control->width();
        if (needed > width || room->need.height() > room->room.height())
            faults << at + u"needs %1x%2, has %3x%4"_s.arg(needed)
                               .arg(room->need.height())
                               .arg(width)
                               .arg(room->room.height());
        if (const QWidget* above = captionfit::coveringSibling(control))
            faults << at + u"covered by "_s + above->objectName();
        const auto* label = qobject_cast<const QLabel*>(control);
        if (label && label->height() < label->fontMetrics().height())
            faults << at + u"shorter than a line"_s;
        // The '&' of a language file is no mnemonic; the one deliberate mnemonic is "&No".
        for (const QString& caption : captionsOf(*control)) {
            if (!QKeySequence::mnemonic(caption).isEmpty() && control->objectName() != u"BitBtn8")
                faults << at + u"'&' taken as a mnemonic"_s;
        }
    }
    return faults;
}

// The panel's font for the window and the pages, as the program sets it at start.
class PanelFontWindow
{
public:
    PanelFontWindow() : m_desktopFont(QApplication::font())
    {
        QApplication::setFont(panellook::panelFont());
    }
    ~PanelFontWindow() { QApplication::setFont(m_desktopFont); }

private:
    QFont m_desktopFont;
};

class EveryCaption : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        ws.installData();
        ASSERT_TRUE(storeLanguage(ws, QString::fromLatin1(GetParam())));
        window = std::make_unique<MainWindow>(ws.dir(), fake.services());
        ASSERT_TRUE(window->FormCreate()) << fake.prompt.errors.join(u'\n').toStdString();
        window->show();
    }

    void TearDown() override { window.reset(); }

    // The faults of every page, each sheet of a page with tabs on show in turn.
    QStringList pageFaults()
    {
        QStringList faults;
        for (const PageEntry& entry : pageTable()) {
            if (!entry.factory)
                continue;
            window->pageHost().buildFramed(entry);
            QWidget* panel = window->pageHost().pagePanel();
            const auto tabs = panel->findChildren<QTabWidget*>();
            for (int sheet = 0; sheet < (tabs.isEmpty() ? 1 : tabs.first()->count()); ++sheet) {
                if (!tabs.isEmpty())
                    tabs.first()->setCurrentIndex(sheet);
                for (const QString& fault : captionFaults(*panel))
                    faults << QString::fromLatin1(typeid(*window->pageHost().page()).name()) +
                                  u": "_s + fault;
            }
        }
        return faults;
    }

    // The category rows whose caption is cut, plain or chosen.
    QStringList cutCategories() const
    {
        QStringList cut;
        const auto* list = window->findChild<QListWidget*>(u"ListBox1"_s);
        QFont chosen = list->font();
        chosen.setBold(true);
        chosen.setItalic(true);
        for (int row = 0; row < list->count(); ++row) {
            const QString caption = list->item(row)->text();
            const int width =
                CategoryListDelegate::captionRect(list->visualItemRect(list->item(row))).width();
            for (const QFont& font : {list->font(), chosen}) {
                if (captionfit::fitLine(font, caption, width).cut)
                    cut << caption;
            }
        }
        return cut;
    }

    PanelFontWindow panelFont;
    TestWorkspace ws;
    FakePlatform fake;
    std::unique_ptr<MainWindow> window;
};

TEST_P(EveryCaption, ReadsWholeOnEveryPageTheFixedControlsAndTheAboutBox)
{
    ASSERT_EQ(QFontInfo(window->font()).family(), panellook::FontFamily)
        << "the panel's font is not installed (fonts-liberation2)";
    ASSERT_EQ(QFontInfo(window->font()).pixelSize(), panellook::FontPixelSize);
    QStringList faults = pageFaults();
    // The dashboard last: it shows the level captions among the window's fixed controls.
    window->pageHost().buildFramed(pageTable().front());
    faults << captionFaults(*window);
    AboutBox about(window.get());
    EXPECT_EQ(QFontInfo(about.font()).family(), panellook::FontFamily);
    faults << captionFaults(about);
    EXPECT_TRUE(faults.isEmpty()) << faults.join(u'\n').toStdString();
    EXPECT_TRUE(cutCategories().isEmpty()) << cutCategories().join(u", "_s).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, EveryCaption,
                         ::testing::Values("FR", "GB", "DE", "ESP", "ITA"));

// The contrast of the strongest ink on a picture against its background, the colour of
// its top right pixel.
double inkContrast(const QImage& image)
{
    const QColor background = image.pixelColor(image.width() - 1, 0);
    double best = 1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            best = std::max(best, panellook::contrast(image.pixelColor(x, y), background));
    }
    return best;
}

QPalette darkPalette()
{
    QPalette dark(QColor(53, 53, 53));
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::BrightText})
        dark.setColor(role, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    return dark;
}

QImage categoryRow(int row)
{
    QStandardItemModel model;
    for (int i = 0; i <= row; ++i)
        model.appendRow(new QStandardItem(u"Analyse %1"_s.arg(i)));
    CategoryListDelegate delegate({});
    QImage image(161, CategoryListDelegate::ItemHeight, QImage::Format_ARGB32);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = image.rect();
    option.font = panellook::panelFont();
    option.palette = darkPalette();
    option.state = QStyle::State_Enabled;
    delegate.paint(&painter, option, model.index(row, 0));
    return image;
}

using DarkDesktop = WindowFixture;

TEST_F(DarkDesktop, FixedBackgroundRowsKeepTheirContrast)
{
    const PanelFontWindow panelFont;
    const QPalette desktop = QApplication::palette();
    QApplication::setPalette(darkPalette());
    started();
    window->show();
    window->pageHost().buildFramed(pageTable().front());
    QWidget* panel = window->pageHost().pagePanel();
    // A state line's text is drawn in its palette's window text; the category rows are
    // looked at as drawn, by their strongest ink.
    const auto lineContrast = [panel](const QString& name) {
        const QPalette colours = panel->findChild<QLabel*>(name)->palette();
        return panellook::contrast(colours.color(QPalette::WindowText),
                                   colours.color(QPalette::Window));
    };
    const struct
    {
        const char* name;
        double contrast;
    } rows[] = {
        {"even category row", inkContrast(categoryRow(0))},
        {"odd category row", inkContrast(categoryRow(1))},
        {"start line", lineContrast(u"StartLine"_s)},
        {"firewall line", lineContrast(u"FirewallLine"_s)},
        {"real-time line", lineContrast(u"RealTimeLine"_s)},
        {"site filter line", lineContrast(u"SiteFilterLine"_s)},
    };
    QApplication::setPalette(desktop);
    for (const auto& row : rows)
        EXPECT_GE(row.contrast, 4.5) << row.name;
}

} // namespace
} // namespace orvanel::testing
