#include "pages/protection/NetworkOptionsPage.h"

#include "app/StatusFlags.h"
#include "pages/settings/TestPanelContext.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class NetworkOptionsPageTest : public ::testing::Test
{
protected:
    NetworkOptionsPageTest()
    {
        panel.setGeometry(176, 48, 609, 369);
        panel.show();
    }

    void build()
    {
        // A rebuild frees the earlier controls with their panel, as the page host does.
        page.reset();
        qDeleteAll(panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
        page = std::make_unique<NetworkOptionsPage>(context);
        page->build(&panel);
    }

    template <typename W> W* control(const QString& name) const
    {
        return panel.findChild<W*>(name);
    }

    // The 10th and 11th values of the line netpro.exe gets.
    QString networkFlags() const
    {
        const QString line = statusFlagsLine(context.state());
        return line.mid(18, 4);
    }

    mutable TestPanelContext context;
    QWidget panel;
    std::unique_ptr<NetworkOptionsPage> page;
};

TEST_F(NetworkOptionsPageTest, ControlsArePlacedAndCaptioned)
{
    build();
    auto* group = control<QGroupBox>(u"NetworkOptionsGroup"_s);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->geometry(), QRect(152, 80, 185, 105));
    EXPECT_TRUE(group->title().isEmpty());

    const struct
    {
        const char* name;
        QRect geometry;
        const char* caption;
    } expected[] = {{"CheckBox1", {8, 24, 97, 17}, "entry 53"},
                    {"radiobutton1", {8, 56, 113, 17}, "entry 55"},
                    {"radiobutton2", {8, 80, 113, 17}, "entry 56"}};
    for (const auto& e : expected) {
        auto* button = control<QAbstractButton>(QString::fromLatin1(e.name));
        ASSERT_NE(button, nullptr) << e.name;
        EXPECT_EQ(button->parentWidget(), group) << e.name;
        EXPECT_EQ(button->geometry(), e.geometry) << e.name;
        EXPECT_EQ(button->text(), QString::fromLatin1(e.caption)) << e.name;
    }
    EXPECT_FALSE(control<QCheckBox>(u"CheckBox1"_s)->isChecked());
    EXPECT_TRUE(control<QRadioButton>(u"radiobutton1"_s)->isChecked());
    EXPECT_FALSE(control<QRadioButton>(u"radiobutton2"_s)->isChecked());
}

TEST_F(NetworkOptionsPageTest, ClicksSetTheTwoFlagsOfTheStatusLine)
{
    const struct
    {
        const char* name;
        QStringList clicks; // controls clicked in turn after the build
        bool checkBefore;   // the check switch an earlier visit left
        const char* flags;  // 10th and 11th values afterwards
    } cases[] = {
        {"fresh start, page never clicked", {}, false, " 0 1"},
        {"earlier check kept by a rebuild", {}, true, " 1 1"},
        {"check box ticked", {u"CheckBox1"_s}, false, " 1 1"},
        {"check box ticked and cleared", {u"CheckBox1"_s, u"CheckBox1"_s}, true, " 0 1"},
        {"second option", {u"radiobutton2"_s}, false, " 0 0"},
        {"second then first option", {u"radiobutton2"_s, u"radiobutton1"_s}, false, " 0 1"},
    };
    for (const auto& c : cases) {
        context.state().networkCheck = c.checkBefore;
        context.state().networkChoice = false;
        build();
        for (const QString& name : c.clicks)
            QTest::mouseClick(control<QAbstractButton>(name), Qt::LeftButton, {}, QPoint(6, 8));
        EXPECT_EQ(networkFlags(), QString::fromLatin1(c.flags)) << c.name;
    }
}

TEST(NetworkOptionsSwitches, FreshStateCarriesBothOff)
{
    const PanelState state;
    EXPECT_EQ(statusFlagsLine(state).mid(18, 4), u" 0 0"_s);
}

TEST_F(NetworkOptionsPageTest, TickedBoxIsShownClearAfterARebuildWhileTheSwitchStaysOn)
{
    build();
    QTest::mouseClick(control<QCheckBox>(u"CheckBox1"_s), Qt::LeftButton, {}, QPoint(6, 8));
    QTest::mouseClick(control<QRadioButton>(u"radiobutton2"_s), Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_EQ(networkFlags(), u" 1 0"_s);
    build();
    EXPECT_FALSE(control<QCheckBox>(u"CheckBox1"_s)->isChecked());
    EXPECT_EQ(networkFlags(), u" 1 1"_s);
}

} // namespace
} // namespace orvanel::testing
