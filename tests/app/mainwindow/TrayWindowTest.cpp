// The hidden application window: the session autostart entry, the notification-area
// icon and its one-item menu.
#include "app/TrayWindow.h"
#include "support/Doubles.h"
#include "workspace/Maker.h"

#include <QAction>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace orvanel::testing {
namespace {

using Value = platform::AutostartEntries::Value;

class TrayWindowTest : public ::testing::Test
{
protected:
    TrayWindow& created()
    {
        tray = std::make_unique<TrayWindow>(program, fake.services());
        tray->FormCreate();
        return *tray;
    }

    void TearDown() override
    {
        if (tray)
            tray->popupMenu1()->hide();
    }

    const QString program = QStringLiteral("/opt/orvanel/orvanel");
    FakePlatform fake;
    std::unique_ptr<TrayWindow> tray;
};

TEST_F(TrayWindowTest, FirstStartWritesTheProgramPathAndAddsTheIcon)
{
    TrayWindow& t = created();

    EXPECT_EQ(fake.autostart.writes, 1);
    EXPECT_EQ(fake.autostart.value(QStringLiteral("Orvanel")).data, program);
    ASSERT_NE(t.trayIcon(), nullptr);
    EXPECT_EQ(t.trayIcon()->toolTip(), QStringLiteral("Orvanel"));
    EXPECT_FALSE(t.isVisible());
    EXPECT_TRUE(fake.prompt.errors.isEmpty());
}

TEST_F(TrayWindowTest, EntryHoldingTheProgramPathIsNotWrittenAgain)
{
    fake.autostart.values.insert(QStringLiteral("Orvanel"), Value{Value::Kind::String, program});
    created();
    EXPECT_EQ(fake.autostart.writes, 0);
}

TEST_F(TrayWindowTest, EntryOfAMovedProgramIsRewritten)
{
    fake.autostart.values.insert(QStringLiteral("Orvanel"),
                                 Value{Value::Kind::String, QStringLiteral("/old/place/orvanel")});
    created();
    EXPECT_EQ(fake.autostart.writes, 1);
    EXPECT_EQ(fake.autostart.value(QStringLiteral("Orvanel")).data, program);
}

TEST_F(TrayWindowTest, PathComparisonCountsLetterCase)
{
    fake.autostart.values.insert(QStringLiteral("Orvanel"),
                                 Value{Value::Kind::String, program.toUpper()});
    created();
    EXPECT_EQ(fake.autostart.writes, 1);
}

TEST_F(TrayWindowTest, EntryThatIsNoCommandIsReportedAndTheIconLeftOut)
{
    fake.autostart.values.insert(QStringLiteral("Orvanel"), Value{Value::Kind::NotString, {}});
    TrayWindow& t = created();

    ASSERT_EQ(fake.prompt.errors.size(), 1);
    EXPECT_TRUE(fake.prompt.errors.first().contains(QStringLiteral("Orvanel")));
    EXPECT_EQ(fake.autostart.writes, 0);
    EXPECT_EQ(t.trayIcon(), nullptr);
}

TEST_F(TrayWindowTest, EntryThatCannotBeWrittenIsReportedWithItsReason)
{
    fake.autostart.failWrites = true;
    TrayWindow& t = created();

    ASSERT_EQ(fake.prompt.errors.size(), 1);
    EXPECT_TRUE(fake.prompt.errors.first().contains(QStringLiteral("read-only")))
        << fake.prompt.errors.first().toStdString();
    EXPECT_EQ(t.trayIcon(), nullptr);
}

TEST_F(TrayWindowTest, IconComesWhenTheNotificationAreaAppearsLater)
{
    fake.tray.available = false;
    TrayWindow& t = created();
    EXPECT_EQ(t.trayIcon(), nullptr);

    fake.tray.available = true;
    QTRY_VERIFY_WITH_TIMEOUT(t.trayIcon() != nullptr, 10000);
    EXPECT_TRUE(fake.prompt.errors.isEmpty());
}

TEST_F(TrayWindowTest, SingleLeftClickDoesNothing)
{
    TrayWindow& t = created();
    t.trayIconActivated(QSystemTrayIcon::Trigger);
    t.trayIconActivated(QSystemTrayIcon::MiddleClick);
    EXPECT_TRUE(fake.urls.opened.isEmpty());
    EXPECT_FALSE(t.popupMenu1()->isVisible());
}

TEST_F(TrayWindowTest, RightClickAndDoubleClickOpenTheWebPageAndPopTheMenuUp)
{
    TrayWindow& t = created();
    for (const auto reason : {QSystemTrayIcon::Context, QSystemTrayIcon::DoubleClick}) {
        t.popupMenu1()->hide();
        t.trayIconActivated(reason);
        EXPECT_TRUE(t.popupMenu1()->isVisible());
    }
    EXPECT_EQ(fake.urls.opened, (QStringList{maker::webPage(), maker::webPage()}));
    ASSERT_EQ(t.popupMenu1()->actions().size(), 1);
    EXPECT_EQ(t.popupMenu1()->actions().first()->text(), QStringLiteral("Orvanel"));
    EXPECT_EQ(t.popupMenu1()->actions().first()->objectName(), QStringLiteral("scannprocess1"));
}

TEST_F(TrayWindowTest, MenuItemShowsTheHiddenMainWindowAndBringsBackAMinimisedOne)
{
    TrayWindow& t = created();
    QWidget main;
    t.setMainWindow(&main);

    t.scannprocess1()->trigger();
    EXPECT_TRUE(main.isVisible());

    main.showMinimized();
    t.scannprocess1()->trigger();
    EXPECT_FALSE(main.isMinimized());
    EXPECT_TRUE(main.isVisible());
}

} // namespace
} // namespace orvanel::testing
