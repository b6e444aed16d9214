#include "pages/settings/SwitchesPage.h"

#include "TestPanelContext.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

const QString kRealTime = u"tempsreel.exe"_s;

class SwitchesPageTest : public ::testing::Test
{
protected:
    SwitchesPageTest()
    {
        panel.setGeometry(176, 48, 609, 369);
        panel.show();
    }

    void buildWith(const Switches& switches)
    {
        context.state().switches = switches;
        ASSERT_TRUE(context.tables().create(TableId::Configuration));
        page = std::make_unique<SwitchesPage>(context);
        page->build(&panel);
    }

    QCheckBox* box(int number) const
    {
        return panel.findChild<QCheckBox*>(u"CheckBox%1"_s.arg(number));
    }

    QString field(int number)
    {
        QString value;
        context.tables().use(TableId::Configuration, [&](Table& table) {
            table.first();
            value = table.value(u"Champ%1"_s.arg(number));
            return false;
        });
        return value;
    }

    // Where a user clicks: on the box itself, at the left of the caption.
    static void clickIndicator(QCheckBox* check)
    {
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
    }

    int restarts() const { return context.fake.spawner.count(kRealTime); }

    static Switches allOn() { return Switches::allSetTo(true); }

    TestPanelContext context;
    QWidget panel;
    std::unique_ptr<SwitchesPage> page;
};

TEST_F(SwitchesPageTest, ControlsArePlacedAndCaptioned)
{
    buildWith(allOn());
    auto* group = panel.findChild<QGroupBox*>(u"SwitchesGroup"_s);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->geometry(), QRect(56, 40, 505, 241));
    EXPECT_EQ(group->title(), u"entry 57"_s);

    const struct
    {
        int number;
        int top;
        const char* caption;
    } expected[] = {{2, 32, "entry 72"}, {3, 64, "entry 73"}, {4, 88, "entry 74"}};
    for (const auto& e : expected) {
        QCheckBox* check = box(e.number);
        ASSERT_NE(check, nullptr) << e.number;
        EXPECT_EQ(check->parentWidget(), group);
        EXPECT_EQ(check->geometry(), QRect(16, e.top, 400, 17));
        EXPECT_EQ(check->text(), QString::fromLatin1(e.caption));
        EXPECT_TRUE(check->isChecked());
        EXPECT_TRUE(check->isVisible());
    }
    // Every control lies on the page panel, so freeing the panel frees the page.
    EXPECT_EQ(panel.findChildren<QWidget*>().size(), 4);
    EXPECT_EQ(restarts(), 0); // nothing was off, so no writer ran
    EXPECT_TRUE(context.clicks.isEmpty());
}

TEST_F(SwitchesPageTest, SwitchThatIsOffShowsUncheckedAndRestartsTheEngineOnce)
{
    Switches switches = allOn();
    switches.set(Switch::CheckOpenedFiles, false); // Champ1, CheckBox3
    context.fake.processes.add(kRealTime);
    buildWith(switches);

    EXPECT_TRUE(box(2)->isChecked());
    EXPECT_FALSE(box(3)->isChecked());
    EXPECT_TRUE(box(4)->isChecked());
    EXPECT_EQ(restarts(), 1);
    EXPECT_EQ(context.fake.processes.terminated.size(), 1u);
    ASSERT_EQ(context.clicks.size(), 1);
    EXPECT_EQ(context.clicks.front(), std::make_pair(3, false));
    EXPECT_EQ(field(1), u"0"_s);
}

TEST_F(SwitchesPageTest, EverySwitchThatIsOffRunsTheWriter)
{
    Switches switches = allOn();
    for (const Switch off :
         {Switch::CheckOpenedFiles, Switch::CheckRemovableDrives, Switch::WatchConnectingPrograms})
        switches.set(off, false);
    buildWith(switches);
    EXPECT_EQ(restarts(), 3);
    EXPECT_EQ(field(8), u"0"_s);
    EXPECT_EQ(field(2), u"0"_s);
}

TEST_F(SwitchesPageTest, UserClickRunsTheWriterExactlyOnce)
{
    buildWith(allOn());
    clickIndicator(box(2));

    EXPECT_FALSE(box(2)->isChecked());
    EXPECT_EQ(restarts(), 1);
    ASSERT_EQ(context.clicks.size(), 1);
    EXPECT_EQ(context.clicks.front(), std::make_pair(2, false));
    EXPECT_FALSE(context.state().switches.on(Switch::WatchConnectingPrograms));
    EXPECT_EQ(field(8), u"0"_s);
    EXPECT_EQ(field(1), u"1"_s);
    EXPECT_EQ(field(2), u"1"_s);

    clickIndicator(box(2));
    EXPECT_EQ(restarts(), 2);
    EXPECT_EQ(field(8), u"1"_s);
}

} // namespace
} // namespace orvanel::testing
