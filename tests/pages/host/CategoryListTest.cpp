// The category list's drawing and the fixed controls of the main window: the alert
// level, the Internet button and the language switch.
#include "app/mainwindow/WindowFixture.h"

#include "pages/AppIcons.h"
#include "pages/CategoryListDelegate.h"
#include "pages/IconPainters.h"
#include "pages/settings/SwitchesPage.h"
#include "workspace/Table.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QResource>
#include <QSlider>
#include <QStandardItemModel>
#include <QTest>
#include <QtMath>

#include <functional>

namespace orvanel::testing {
namespace {

// Draws rows 0 to 3 of a list through the delegate, row `selected` selected.
QImage drawnRows(int selected, const QPixmap& image = QPixmap())
{
    QStandardItemModel model;
    for (int i = 0; i < 4; ++i)
        model.appendRow(new QStandardItem(QStringLiteral("Catégorie %1").arg(i)));
    CategoryListDelegate delegate([&image](int, qreal) { return image; });
    QImage canvas(161, 4 * 18, QImage::Format_ARGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    for (int row = 0; row < 4; ++row) {
        QStyleOptionViewItem option;
        option.rect = QRect(0, row * 18, 161, 18);
        option.font = QFont();
        option.palette = QPalette(Qt::black, Qt::white);
        option.state = QStyle::State_Enabled;
        if (row == selected)
            option.state |= QStyle::State_Selected;
        delegate.paint(&painter, option, model.index(row, 0));
    }
    return canvas;
}

int yellowPixels(const QImage& image, int row)
{
    int count = 0;
    for (int y = row * 18; y < row * 18 + 18; ++y) {
        for (int x = 30; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.red() > 200 && c.green() > 200 && c.blue() < 80;
        }
    }
    return count;
}

TEST(CategoryListDrawing, OddRowsGreyBlueEvenRowsWhite)
{
    const QImage image = drawnRows(-1);
    EXPECT_EQ(image.pixelColor(150, 9), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(150, 18 + 9), QColor(238, 243, 244));
    EXPECT_EQ(image.pixelColor(150, 2 * 18 + 9), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(150, 3 * 18 + 9), QColor(238, 243, 244));
    EXPECT_EQ(yellowPixels(image, 1), 0);
}

TEST(CategoryListDrawing, SelectedRowIsLightBlueWithYellowTextWhateverItsPosition)
{
    for (const int selected : {1, 2}) {
        const QImage image = drawnRows(selected);
        EXPECT_EQ(image.pixelColor(150, selected * 18 + 9), QColor(197, 209, 248));
        EXPECT_GT(yellowPixels(image, selected), 0);
        EXPECT_EQ(yellowPixels(image, selected == 1 ? 2 : 1), 0);
    }
}

TEST(CategoryListDrawing, CaptionStartsThirtyPixelsInAndTheImageFourIn)
{
    QPixmap red(16, 16);
    red.fill(Qt::red);
    const QImage image = drawnRows(-1, red);
    // The row's 16-pixel picture stands at (4, 1): rows are 18 high.
    EXPECT_EQ(image.pixelColor(4, 1), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(19, 16), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(3, 1), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(20, 1), QColor(Qt::white));
    // No ink between the picture and the caption.
    for (int x = 21; x < 30; ++x)
        EXPECT_EQ(image.pixelColor(x, 9), QColor(Qt::white)) << x;
    bool ink = false;
    for (int x = 30; x < 60 && !ink; ++x)
        for (int y = 2; y < 18 && !ink; ++y)
            ink = image.pixelColor(x, y) != QColor(Qt::white);
    EXPECT_TRUE(ink);
}

TEST(CategoryListDrawing, RowsAreEighteenHigh)
{
    CategoryListDelegate delegate({});
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 161, 40);
    EXPECT_EQ(delegate.sizeHint(option, {}).height(), 18);
}

TEST(AppImages, TwentyThreeDistinctCategoryImagesFiveFlagsTwoGlyphs)
{
    QList<QImage> seen;
    for (int i = 0; i < AppIcons::CategoryIconCount; ++i) {
        const QImage image = AppIcons::categoryPixmap(i).toImage();
        EXPECT_EQ(image.size(), QSize(16, 16)) << i;
        EXPECT_FALSE(seen.contains(image)) << "image " << i << " repeats another";
        seen.append(image);
    }
    for (int i = 0; i < AppIcons::LanguageFlagCount; ++i) {
        const QImage flag = AppIcons::languageFlagPixmap(i).toImage();
        EXPECT_EQ(flag.size(), QSize(16, 16));
        EXPECT_FALSE(seen.contains(flag)) << "flag " << i;
        seen.append(flag);
    }
    EXPECT_NE(AppIcons::internetPixmap(true).toImage(), AppIcons::internetPixmap(false).toImage());
    EXPECT_TRUE(AppIcons::categoryPixmap(23).isNull());
    EXPECT_FALSE(AppIcons::applicationIcon().isNull());
}

TEST(AppImages, DrawnForTheDevicePixelRatioNotEnlarged)
{
    const struct
    {
        const char* name;
        std::function<QPixmap(qreal)> pixmap;
        QIcon icon;
    } images[] = {
        {"category image", [](qreal r) { return AppIcons::categoryPixmap(4, r); },
         AppIcons::categoryIcon(4)},
        {"flag", [](qreal r) { return AppIcons::languageFlagPixmap(1, r); },
         AppIcons::languageFlag(1)},
        {"Internet glyph", [](qreal r) { return AppIcons::internetPixmap(false, r); },
         AppIcons::internetGlyph(false)},
    };
    for (const auto& image : images) {
        SCOPED_TRACE(image.name);
        for (const qreal ratio : {1.0, 1.25, 1.5, 2.0}) {
            const QPixmap sharp = image.pixmap(ratio);
            const int pixels = qCeil(16 * ratio);
            EXPECT_EQ(sharp.size(), QSize(pixels, pixels)) << ratio;
            EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(16, 16)) << ratio;
            EXPECT_EQ(image.icon.pixmap(QSize(16, 16), ratio).size(), QSize(pixels, pixels))
                << ratio;
        }
        // Twice the pixels, and more than the small picture enlarged.
        const QImage twice = image.pixmap(2.0).toImage();
        const QImage enlarged = image.pixmap(1.0).toImage().scaled(32, 32);
        EXPECT_NE(twice.convertToFormat(enlarged.format()), enlarged);
    }
}

TEST(AppImages, BakedStripsAreTheDrawingsPixelForPixel)
{
    const auto premultiplied = [](const QImage& image) {
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    for (const iconpainters::Set& set : iconpainters::allSets()) {
        for (const int pixels : set.bakedSizes) {
            const QString name =
                QStringLiteral(":/icons/") + iconpainters::stripFileName(set, pixels);
            const QByteArray bytes = QResource(name).uncompressedData();
            const QImage baked = iconpainters::stripOf(bytes, set, pixels);
            ASSERT_FALSE(baked.isNull()) << name.toStdString();
            EXPECT_EQ(baked, iconpainters::strip(set, pixels)) << name.toStdString();
            // Anything but a whole strip is none.
            EXPECT_TRUE(iconpainters::stripOf(bytes.chopped(4), set, pixels).isNull());
        }
    }
    // What the list shows at scale 2 is that picture of the strip.
    const QImage shown = AppIcons::categoryPixmap(4, 2.0).toImage();
    EXPECT_EQ(premultiplied(shown), iconpainters::draw(iconpainters::categories().painters[4], 32));
}

using FixedControls = WindowFixture;

TEST_F(FixedControls, PlacedWhereTheWindowDesignPutsThem)
{
    MainWindow& w = started();
    const std::pair<const char*, QRect> places[] = {
        {"Shape1", {0, 0, 785, 49}},         {"ListBox1", {16, 48, 161, 385}},
        {"Label12", {328, 416, 38, 13}},     {"Label11", {384, 416, 38, 13}},
        {"Label10", {432, 416, 38, 13}},     {"Bevel2", {312, 416, 193, 41}},
        {"TrackBar1", {320, 432, 150, 17}},  {"BitBtn15", {256, 424, 49, 33}},
        {"StatusBar1", {0, 462, 784, 19}},   {"Edit1", {216, 104, 121, 21}},
        {"Edit2", {216, 136, 121, 21}},      {"Edit3", {216, 176, 121, 21}},
        {"FileListBox5", {520, 64, 145, 97}}};
    for (const auto& [name, rect] : places) {
        auto* control = w.findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(control, nullptr) << name;
        // A level caption may grow right or down into free space for its text.
        if (qobject_cast<QLabel*>(control)) {
            EXPECT_EQ(control->pos(), rect.topLeft()) << name;
            EXPECT_GE(control->width(), rect.width()) << name;
            EXPECT_GE(control->height(), rect.height()) << name;
        } else {
            EXPECT_EQ(control->geometry(), rect) << name;
        }
    }
    for (const char* hidden : {"Edit1", "Edit2", "Edit3", "FileListBox5"})
        EXPECT_FALSE(w.findChild<QWidget*>(QString::fromLatin1(hidden))->isVisible()) << hidden;
    for (const char* level : {"Bevel2", "TrackBar1", "BitBtn15", "Label10", "Label11", "Label12"})
        EXPECT_TRUE(w.findChild<QWidget*>(QString::fromLatin1(level))->isVisible()) << level;
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("Label10"))->text(), w.texts().text(49));
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("Label12"))->text(), w.texts().text(51));
    EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("BitBtn15"))->toolTip(),
              QStringLiteral("Internet"));
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(FixedControls, TrackBarToThreeWritesTheLevelAtOnce)
{
    MainWindow& w = started();
    auto* trackBar = w.findChild<QSlider*>(QStringLiteral("TrackBar1"));
    ASSERT_NE(trackBar, nullptr);
    EXPECT_EQ(trackBar->minimum(), 1);
    EXPECT_EQ(trackBar->maximum(), 3);
    EXPECT_EQ(trackBar->value(), 2);

    trackBar->setValue(3);

    EXPECT_EQ(ws.read(QStringLiteral("track.txt")), QByteArray("3\r\n"));
    EXPECT_EQ(w.state().alertLevel, 3);
}

TEST_F(FixedControls, UnwritableLevelFileIsReported)
{
    MainWindow& w = started();
    QFile::remove(ws.path(QStringLiteral("track.txt")));
    ASSERT_TRUE(QDir(ws.dir()).mkdir(QStringLiteral("track.txt")));

    w.findChild<QSlider*>(QStringLiteral("TrackBar1"))->setValue(1);

    ASSERT_EQ(fake.prompt.errors.size(), 1);
    EXPECT_TRUE(fake.prompt.errors.first().contains(QStringLiteral("track.txt")));
    EXPECT_EQ(w.state().alertLevel, 1);
}

TEST_F(FixedControls, TwoInternetClicksBringSwitchAndGlyphBack)
{
    MainWindow& w = started();
    auto* button = w.findChild<QPushButton*>(QStringLiteral("BitBtn15"));
    const auto glyph = [button] { return button->icon().pixmap(16, 16).toImage(); };
    const QImage on = AppIcons::internetPixmap(true).toImage();
    const QImage off = AppIcons::internetPixmap(false).toImage();
    EXPECT_EQ(glyph(), on);

    button->click();
    EXPECT_FALSE(w.state().internet);
    EXPECT_EQ(glyph(), off);

    button->click();
    EXPECT_TRUE(w.state().internet);
    EXPECT_EQ(glyph(), on);
}

TEST_F(FixedControls, ChoosingTheSameCategoryTwiceRebuildsItsPage)
{
    MainWindow& w = started();
    const int row = rowOfEntry(57);
    ASSERT_GE(row, 0);

    choose(row);
    QPointer<QWidget> first = w.findChild<QWidget*>(QStringLiteral("CheckBox2"));
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first->isVisibleTo(&w));

    choose(row);
    EXPECT_TRUE(first.isNull());
    EXPECT_NE(w.findChild<QWidget*>(QStringLiteral("CheckBox2")), nullptr);
    EXPECT_NE(w.pageHost().page(), nullptr);
}

TEST_F(FixedControls, KeyboardMoveCountsAsAChoice)
{
    MainWindow& w = started();
    listBox1()->setCurrentRow(rowOfEntry(57) - 1);
    QTest::keyClick(listBox1(), Qt::Key_Down);
    EXPECT_NE(w.pageHost().page<SwitchesPage>(), nullptr);
}

TEST_F(FixedControls, LevelCaptionsKeepTheirPlaceAndFitTheirWidth)
{
    MainWindow& w = started();
    const QRect bevel = w.findChild<QWidget*>(QStringLiteral("Bevel2"))->geometry();
    for (const char* code : {"FR", "GB", "DE", "ESP", "ITA"}) {
        w.panel().chooseLanguage(QString::fromLatin1(code));
        int right = 0;
        QList<int> sizes;
        for (const char* name : {"Label12", "Label11", "Label10"}) {
            const auto* label = w.findChild<QLabel*>(QString::fromLatin1(name));
            // Grown only right, into the bevel, short of the next caption.
            EXPECT_GE(label->width(), 38) << code << " " << name;
            EXPECT_GT(label->x(), right) << code << " " << name;
            EXPECT_TRUE(bevel.contains(label->geometry())) << code << " " << name;
            right = label->geometry().right();
            const int advance = QFontMetrics(label->font()).horizontalAdvance(label->text());
            // Either the caption fits, or its font is as small as captions go.
            EXPECT_TRUE(advance <= label->width() ||
                        (label->font().pixelSize() > 0 && label->font().pixelSize() <= 9))
                << code << " " << name << " " << label->text().toStdString();
            sizes.append(QFontInfo(label->font()).pixelSize());
        }
        // The three read in one size.
        EXPECT_EQ(sizes.count(sizes.first()), 3) << code;
    }
}

TEST_F(FixedControls, LanguageSwitchRefillsTheListWithoutRebuildingThePage)
{
    MainWindow& w = started();
    choose(rowOfEntry(57));
    QPointer<QWidget> pageControl = w.findChild<QWidget*>(QStringLiteral("CheckBox2"));
    const QString frenchCaption = pageControl->property("text").toString();
    w.editSlot(2)->setText(QStringLiteral("typed"));
    delete w.editSlot(1).data(); // a page took the Edit1 slot over

    w.panel().chooseLanguage(QStringLiteral("GB"));

    EXPECT_EQ(w.state().languageCode, QStringLiteral("GB"));
    EXPECT_EQ(listBox1()->count(), 20);
    EXPECT_EQ(listBox1()->item(18)->text(), QStringLiteral(" memory"));
    EXPECT_EQ(listBox1()->item(0)->text(), w.texts().text(1));
    EXPECT_TRUE(listBox1()->selectedItems().isEmpty());
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("Label11"))->text(), w.texts().text(50));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Orvanel "));
    EXPECT_TRUE(w.editSlot(2)->text().isEmpty());
    ASSERT_FALSE(pageControl.isNull()) << "the page on show is not rebuilt";
    EXPECT_EQ(pageControl->property("text").toString(), frenchCaption);

    Table stored;
    ASSERT_TRUE(stored.open(ws.path(QStringLiteral("langues.xml"))));
    EXPECT_EQ(stored.recordCount(), 1);
    stored.first();
    EXPECT_EQ(stored.value(u"Champ1"), QStringLiteral("GB"));
}

TEST_F(FixedControls, LanguageSwitchIgnoresAnythingButTheFiveCodes)
{
    MainWindow& w = started();
    const QString before = listBox1()->item(0)->text();
    w.panel().chooseLanguage(QStringLiteral("gb"));
    w.panel().chooseLanguage(QString());
    EXPECT_EQ(w.state().languageCode, QStringLiteral("FR"));
    EXPECT_EQ(listBox1()->item(0)->text(), before);
    EXPECT_TRUE(fake.prompt.errors.isEmpty());
}

TEST_F(FixedControls, MemoryWordKeysItsCategoryInTheCurrentLanguage)
{
    MainWindow& w = started();
    w.panel().chooseLanguage(QStringLiteral("GB"));
    EXPECT_EQ(w.memoryWord(), QStringLiteral(" memory"));
    EXPECT_EQ(w.linksWord(), QStringLiteral("connections"));
}

} // namespace
} // namespace orvanel::testing
