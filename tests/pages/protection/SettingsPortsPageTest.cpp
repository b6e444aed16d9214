#include "pages/protection/SettingsPortsPage.h"

#include "../settings/TestPanelContext.h"
#include "pages/AppIcons.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class SettingsPortsPageTest : public ::testing::Test
{
protected:
    void build()
    {
        // As the page host does: the old panel and its controls go first, then the page.
        panel = std::make_unique<QWidget>();
        page.reset();
        panel->setGeometry(176, 48, 609, 369);
        panel->show();
        page = std::make_unique<SettingsPortsPage>(context);
        page->build(panel.get());
    }

    template <typename W> W* control(const QString& name) const
    {
        W* widget = panel->findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }

    QByteArray file(const QString& name) { return context.workspace().read(name); }
    QByteArray closedPortsFile() { return file(u"portsfermes.txt"_s); }

    int alertRows()
    {
        int rows = -1;
        context.tables().use(TableId::Alerts, [&rows](Table& table) {
            rows = table.recordCount();
            return false;
        });
        return rows;
    }

    TestPanelContext context;
    std::unique_ptr<QWidget> panel;
    std::unique_ptr<SettingsPortsPage> page;
};

TEST_F(SettingsPortsPageTest, ControlsArePlacedAndCaptioned)
{
    build();
    const struct
    {
        const char* name;
        QRect geometry;
        const char* caption;
    } expected[] = {
        {"BitBtn4", {416, 72, 145, 25}, "entry 18"},
        {"BitBtn5", {416, 136, 145, 25}, "entry 19"},
        {"PurgeChoiceBox", {176, 72, 233, 19}, ""},
        {"ComboBox3", {176, 136, 233, 19}, ""},
        {"LanguageLabel", {56, 136, 42, 13}, "entry 17"},
        {"PurgeLabel", {56, 80, 102, 13}, "entry 16"},
        {"ClosedPortsLabel", {56, 240, 102, 13}, "Ports fermés"},
        {"ApplicationPortsBox", {186, 200, 152, 23}, ""},
        {"BitBtn33", {416, 240, 145, 25}, "entry 14"},
        {"BitBtn34", {416, 280, 145, 25}, "entry 15"},
        {"ClosedPortsBox", {186, 240, 152, 23}, ""},
        {"Edit13", {350, 240, 41, 21}, ""},
        {"FirewallGroup", {168, 270, 150, 90}, ""},
        {"radiobutton14", {16, 20, 129, 17}, "entry 28"},
        {"radiobutton15", {16, 34, 113, 17}, "entry 29"},
        {"radiobutton16", {16, 50, 113, 17}, "toujours"},
    };
    for (const auto& e : expected) {
        auto* widget = control<QWidget>(QString::fromLatin1(e.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
        const QString caption = QString::fromUtf8(e.caption);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), caption) << e.name;
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->text(), caption) << e.name;
        }
    }
    EXPECT_EQ(control<QLineEdit>(u"Edit13"_s)->maxLength(), 5);
    EXPECT_EQ(control<QComboBox>(u"PurgeChoiceBox"_s)->itemText(0), u"entry 3"_s);
    EXPECT_EQ(control<QComboBox>(u"PurgeChoiceBox"_s)->currentIndex(), -1);
    auto* languages = control<QComboBox>(u"ComboBox3"_s);
    EXPECT_EQ(languages->currentIndex(), -1);
    ASSERT_EQ(languages->count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(languages->itemText(i),
                  (QStringList{u"FR"_s, u"GB"_s, u"ESP"_s, u"DE"_s, u"ITA"_s}[i]));
}

TEST_F(SettingsPortsPageTest, LiteralCaptionsFollowTheLanguage)
{
    const struct
    {
        const char* code;
        const char* firewall;
        const char* always;
        const char* closedPorts;
    } cases[] = {
        {"FR", "Parefeu", "toujours", "Ports fermés"},
        {"GB", "Firewall", "Always", "Closed ports"},
        {"DE", "Firewall", "Immer", "Geschlossenen ports"},
        {"ESP", "Firewall", "Siempre", "Puerto cerrados"},
        {"ITA", "Firewall", "Sempre", "Porte chiuse"},
    };
    for (const auto& c : cases) {
        context.state().languageCode = QString::fromLatin1(c.code);
        build();
        EXPECT_EQ(control<QGroupBox>(u"FirewallGroup"_s)->title(), QString::fromUtf8(c.firewall));
        EXPECT_EQ(control<QRadioButton>(u"radiobutton16"_s)->text(), QString::fromUtf8(c.always));
        EXPECT_EQ(control<QLabel>(u"ClosedPortsLabel"_s)->text(), QString::fromUtf8(c.closedPorts));
    }
}

TEST_F(SettingsPortsPageTest, FirewallModeIsShownAndWrittenOnClick)
{
    const struct
    {
        const char* mode;
        const char* selected;
        const char* clicked;
        const char* written;
        bool firewall;
    } cases[] = {
        {"3", "radiobutton16", "radiobutton15", "2", false},
        {"2", "radiobutton15", "radiobutton16", "3", true},
        {"1", "radiobutton14", "radiobutton15", "2", false},
        {"2", "radiobutton15", "radiobutton14", "1", true},
    };
    for (const auto& c : cases) {
        context.workspace().write(u"firewall.txt"_s, "unchanged");
        context.state().firewallMode = QString::fromLatin1(c.mode);
        build();
        EXPECT_TRUE(control<QRadioButton>(QString::fromLatin1(c.selected))->isChecked()) << c.mode;
        EXPECT_EQ(file(u"firewall.txt"_s), QByteArray("unchanged")); // building writes nothing
        control<QRadioButton>(QString::fromLatin1(c.clicked))->click();
        EXPECT_EQ(file(u"firewall.txt"_s), c.written + QByteArray("\r\n"));
        EXPECT_EQ(context.state().firewallMode, QString::fromLatin1(c.written));
        EXPECT_EQ(context.state().firewall, c.firewall) << c.written;
    }
}

TEST_F(SettingsPortsPageTest, PortFieldTakesDigitsOnlyTypedOrPasted)
{
    enum class Way { Typed, Pasted, Inserted };
    const struct
    {
        Way way;
        const char* input;
        const char* shown;
    } cases[] = {
        {Way::Typed, "8a0", "80"},        {Way::Typed, "123456", "12345"},
        {Way::Typed, "4 4-3", "443"},     {Way::Pasted, "8a0", "80"},
        {Way::Pasted, "123456", "12345"}, {Way::Pasted, "; rm -rf /", ""},
        {Way::Inserted, "8a0", "80"},     {Way::Inserted, "\r\n21\r\n", "21"},
    };
    for (const auto& c : cases) {
        context.workspace().write(u"portsfermes.txt"_s, "");
        build();
        auto* field = control<QLineEdit>(u"Edit13"_s);
        const QString input = QString::fromLatin1(c.input);
        switch (c.way) {
        case Way::Typed:
            QTest::keyClicks(field, input);
            break;
        case Way::Pasted:
            QGuiApplication::clipboard()->setText(input);
            field->paste();
            break;
        case Way::Inserted:
            field->insert(input);
            break;
        }
        EXPECT_EQ(field->text(), QString::fromLatin1(c.shown)) << c.input;
        control<QPushButton>(u"BitBtn33"_s)->click();
        const QByteArray expected = *c.shown ? c.shown + QByteArray("\r\n") : QByteArray();
        EXPECT_EQ(closedPortsFile(), expected) << c.input;
    }
    // Backspace still edits the field.
    auto* field = control<QLineEdit>(u"Edit13"_s);
    QTest::keyClicks(field, u"25"_s);
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->text(), u"2"_s);
}

TEST_F(SettingsPortsPageTest, ClosedPortsAreAddedOnceAndRemovedBySelection)
{
    build(); // a missing list is created empty
    EXPECT_TRUE(context.workspace().exists(u"portsfermes.txt"_s));
    EXPECT_EQ(closedPortsFile(), QByteArray());
    auto* field = control<QLineEdit>(u"Edit13"_s);
    auto* box = control<QListWidget>(u"ClosedPortsBox"_s);
    for (const char* port : {"80", "443", "80"}) {
        field->setText(QString::fromLatin1(port));
        control<QPushButton>(u"BitBtn33"_s)->click();
    }
    EXPECT_EQ(closedPortsFile(), QByteArray("80\r\n443\r\n"));
    EXPECT_EQ(field->text(), u"80"_s); // a duplicate is refused and kept in the field

    control<QPushButton>(u"BitBtn34"_s)->click(); // nothing selected: rewritten unchanged
    EXPECT_EQ(closedPortsFile(), QByteArray("80\r\n443\r\n"));
    box->setCurrentRow(0);
    control<QPushButton>(u"BitBtn34"_s)->click();
    EXPECT_EQ(closedPortsFile(), QByteArray("443\r\n"));

    build(); // read back at the next build
    EXPECT_EQ(control<QListWidget>(u"ClosedPortsBox"_s)->count(), 1);
}

TEST_F(SettingsPortsPageTest, ApplicationPortsShowAllLinesButTheLast)
{
    const struct
    {
        QByteArray content;
        int shown;
    } cases[] = {{"1\r\n2\r\n3\r\n", 2}, {"1\r\n", 0}, {"", 0}};
    for (const auto& c : cases) {
        context.workspace().write(u"portappli.txt"_s, c.content);
        build();
        EXPECT_EQ(control<QListWidget>(u"ApplicationPortsBox"_s)->count(), c.shown);
    }
}

TEST_F(SettingsPortsPageTest, PurgeEmptiesTheAlertsOnlyForTheCaptionOfTheLanguageInForce)
{
    const struct
    {
        const char* name;
        bool choose;
        bool answer;
        bool languageChanged;
        bool asked;
        bool emptied;
    } cases[] = {
        {"yes", true, true, false, true, true},
        {"no", true, false, false, true, false},
        {"nothing chosen", false, true, false, false, false},
        {"after a language change", true, true, true, true, false},
    };
    for (const auto& c : cases) {
        context.textTable().setLines({});
        context.textTable().setLines([] {
            QStringList lines;
            for (int entry = 1; entry <= TextTable::Size; ++entry)
                lines.append(u"entry %1"_s.arg(entry));
            return lines;
        }());
        ASSERT_TRUE(context.tables().create(TableId::Alerts));
        context.tables().use(TableId::Alerts, [](Table& table) {
            table.insert();
            table.setValue(u"Champ1", u"app.exe"_s);
            table.post();
            return true;
        });
        build();
        if (c.languageChanged) {
            control<QComboBox>(u"ComboBox3"_s)->setCurrentIndex(1);
            control<QPushButton>(u"BitBtn5"_s)->click();
            ASSERT_EQ(context.languagesApplied.last(), u"GB"_s);
            QStringList english;
            for (int entry = 1; entry <= TextTable::Size; ++entry)
                english.append(u"english %1"_s.arg(entry));
            context.textTable().setLines(english); // what the window's switch does
        }
        if (c.choose)
            control<QComboBox>(u"PurgeChoiceBox"_s)->setCurrentIndex(0);
        context.fake.prompt.questions.clear();
        context.fake.prompt.answers = {c.answer};
        control<QPushButton>(u"BitBtn4"_s)->click();
        EXPECT_EQ(
            context.fake.prompt.questions,
            c.asked ? QStringList{c.languageChanged ? u"english 23entry 3"_s : u"entry 23entry 3"_s}
                    : QStringList())
            << c.name;
        EXPECT_EQ(alertRows(), c.emptied ? 0 : 1) << c.name;
    }
}

TEST_F(SettingsPortsPageTest, LanguageIsAppliedOnlyWhenChosen)
{
    build();
    control<QPushButton>(u"BitBtn5"_s)->click();
    EXPECT_TRUE(context.languagesApplied.isEmpty());
    control<QComboBox>(u"ComboBox3"_s)->setCurrentIndex(4);
    control<QPushButton>(u"BitBtn5"_s)->click();
    EXPECT_EQ(context.languagesApplied, QStringList{u"ITA"_s});
}

TEST_F(SettingsPortsPageTest, TheOpenLanguageListDrawsItsItemsWithTheirFlags)
{
    build();
    auto* box = control<QComboBox>(u"ComboBox3"_s);
    box->showPopup();
    QAbstractItemView* list = box->view();
    const QRect second = list->visualRect(box->model()->index(1, 0));
    const QImage shown = list->viewport()->grab().toImage();
    box->hidePopup();
    // The second row's own background, as ComboBox3DrawItem gives it, right of its text.
    EXPECT_EQ(shown.pixelColor(second.right() - 2, second.center().y()), QColor(238, 243, 244));
}

TEST_F(SettingsPortsPageTest, LanguageItemsAreDrawnWithBackgroundTextAndFlag)
{
    const struct
    {
        int index;
        bool selected;
        QColor background;
    } cases[] = {
        {0, false, QColor(255, 255, 255)},
        {1, false, QColor(238, 243, 244)},
        {3, true, QColor(197, 209, 248)},
    };
    const QRect rect(0, 0, 233, 18);
    for (const auto& c : cases) {
        QImage image(rect.size(), QImage::Format_ARGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        SettingsPortsPage::ComboBox3DrawItem(painter, c.index, rect, c.selected, u"ESP"_s);
        painter.end();
        EXPECT_EQ(image.pixelColor(230, 17), c.background) << c.index;
        // The flag at (4, (18 - 16) / 2).
        const QImage flag = AppIcons::languageFlagPixmap(c.index).toImage();
        EXPECT_EQ(image.pixelColor(4 + 8, 1 + 8), flag.pixelColor(8, 8)) << c.index;
        // Some text was written from x = 30 on, in blue when selected.
        bool blue = false;
        bool written = false;
        for (int x = 30; x < 60; ++x) {
            for (int y = 2; y < 16; ++y) {
                const QColor p = image.pixelColor(x, y);
                written |= p != c.background;
                blue |= p.blue() > 200 && p.red() < 100 && p.green() < 100;
            }
        }
        EXPECT_TRUE(written) << c.index;
        EXPECT_EQ(blue, c.selected) << c.index;
    }
}

} // namespace
} // namespace orvanel::testing
