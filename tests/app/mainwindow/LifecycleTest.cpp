// Closing, quitting, the end of the session and the window's destruction.
#include "WindowFixture.h"

#include "pages/settings/AboutBox.h"
#include "pages/settings/SwitchesPage.h"
#include "workspace/Maker.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTimer>

namespace orvanel::testing {
namespace {

const QStringList kTenStops = {QStringLiteral("scandisk.exe"),   QStringLiteral("scanwapper.exe"),
                               QStringLiteral("tempsreel.exe"),  QStringLiteral("ipcp.exe"),
                               QStringLiteral("net.exe"),        QStringLiteral("pop_kent.exe"),
                               QStringLiteral("sauvegarde.exe"), QStringLiteral("majbase.exe"),
                               QStringLiteral("netstat.exe"),    QStringLiteral("pngi.exe")};

const QStringList kEveryEngine =
    kTenStops + QStringList{QStringLiteral("netpro.exe"), QStringLiteral("serveur.exe")};

QStringList terminated(const FakeProcessTable& processes)
{
    QStringList out;
    for (const QString& name : processes.terminated)
        out.append(name);
    return out;
}

using Closing = WindowFixture;

TEST_F(Closing, HidesWithATrayAndKeepsTheSchedulerRunning)
{
    MainWindow& w = started();
    w.close();

    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.isMinimized());
    EXPECT_TRUE(w.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    EXPECT_EQ(fake.urls.opened, QStringList{maker::webPage()});
    // The page is torn down: an empty hidden panel until a category is chosen.
    EXPECT_EQ(w.pageHost().page(), nullptr);
    EXPECT_FALSE(w.pageHost().pagePanel()->isVisible());
    EXPECT_TRUE(ws.waitRunning(QStringLiteral("tempsreel.exe"), 1));
}

TEST_F(Closing, MinimisesWithoutATraySoTheWindowStaysReachable)
{
    fake.tray.available = false;
    MainWindow& w = started();
    w.close();

    EXPECT_TRUE(w.isMinimized());
    EXPECT_TRUE(w.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    EXPECT_EQ(fake.urls.opened, QStringList{maker::webPage()});
}

TEST_F(Closing, MinimisesWhenTheIconWasNotAddedThoughATrayExists)
{
    // A failed autostart entry keeps the icon out: hiding would leave no way back.
    MainWindow& w = started();
    w.setIconShown([] { return false; });
    w.close();
    EXPECT_TRUE(w.isMinimized());
}

TEST_F(Closing, ChoosingACategoryAfterwardsBuildsItsPageAgain)
{
    MainWindow& w = started();
    w.close();
    w.show();
    choose(rowOfEntry(57));
    EXPECT_NE(w.pageHost().page<SwitchesPage>(), nullptr);
    EXPECT_TRUE(w.pageHost().pagePanel()->isVisible());
}

using Quitting = FakeProcessWindowFixture;

TEST_F(Quitting, AnsweredNoLeavesEverythingRunning)
{
    MainWindow& w = started();
    runAll(kEveryEngine);
    QSignalSpy termination(&w, &MainWindow::terminationRequested);
    fake.prompt.answers = {false};

    chooseEntry(25);

    EXPECT_EQ(fake.prompt.questions, QStringList{w.texts().text(65)});
    EXPECT_TRUE(fake.processes.terminated.empty());
    EXPECT_EQ(termination.count(), 0);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(Quitting, AnsweredYesEndsItsEightEnginesInOrderAndAsksToTerminate)
{
    MainWindow& w = started();
    runAll(kEveryEngine);
    QSignalSpy termination(&w, &MainWindow::terminationRequested);
    fake.prompt.answers = {true};

    chooseEntry(25);

    EXPECT_EQ(terminated(fake.processes),
              (QStringList{QStringLiteral("tempsreel.exe"), QStringLiteral("scanwapper.exe"),
                           QStringLiteral("scandisk.exe"), QStringLiteral("ipcp.exe"),
                           QStringLiteral("netpro.exe"), QStringLiteral("majbase.exe"),
                           QStringLiteral("serveur.exe"), QStringLiteral("pngi.exe")}));
    EXPECT_EQ(termination.count(), 1);
}

TEST_F(Quitting, DestructionThatFollowsEndsTheBackupToo)
{
    started();
    runAll(kEveryEngine);
    fake.prompt.answers = {true};
    chooseEntry(25);
    fake.processes.terminated.clear();

    window.reset();

    EXPECT_EQ(terminated(fake.processes),
              (QStringList{QStringLiteral("net.exe"), QStringLiteral("pop_kent.exe"),
                           QStringLiteral("sauvegarde.exe"), QStringLiteral("netstat.exe")}));
}

using Destruction = FakeProcessWindowFixture;

TEST_F(Destruction, StopsTheTimerAndItsTenEnginesInOrderOnce)
{
    MainWindow& w = started();
    auto* timer = w.findChild<QTimer*>(QStringLiteral("Timer1"));
    runAll(kEveryEngine);

    w.FormDestroy();
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(terminated(fake.processes), kTenStops);
    EXPECT_EQ(fake.processes.count(QStringLiteral("netpro.exe")), 1);
    EXPECT_EQ(fake.processes.count(QStringLiteral("serveur.exe")), 1);

    runAll(kTenStops);
    window.reset();
    EXPECT_EQ(fake.processes.terminated.size(), std::size_t(10)) << "runs once";
}

TEST_F(Destruction, FreesThePageOnShow)
{
    MainWindow& w = started();
    chooseEntry(57);
    QPointer<QWidget> control = w.findChild<QWidget*>(QStringLiteral("CheckBox2"));
    ASSERT_FALSE(control.isNull());
    w.FormDestroy();
    EXPECT_TRUE(control.isNull());
    EXPECT_EQ(w.pageHost().page(), nullptr);
}

TEST_F(Destruction, SessionEndStopsTheSameTenAndLeavesTheWindowAlive)
{
    MainWindow& w = started();
    runAll(kEveryEngine);
    w.WMQueryEndSession();
    EXPECT_EQ(terminated(fake.processes), kTenStops);
    EXPECT_TRUE(w.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
}

TEST_F(Destruction, TimerTickRunsTheScheduler)
{
    MainWindow& w = started();
    spawner.calls.clear();
    w.Timer1Timer();
    // The first tick sees the minute change and starts pop_kent.exe.
    EXPECT_EQ(spawner.count(QStringLiteral("pop_kent.exe")), 2);
    EXPECT_EQ(w.scheduler().tickMinute(), QStringLiteral("00"));
}

using Entries = FakeProcessWindowFixture;

TEST_F(Entries, AboutTwiceShowsTwoBoxesAndOpensTheWebPageEachTime)
{
    MainWindow& w = started();
    chooseEntry(48);
    chooseEntry(48);

    const auto boxes = w.findChildren<AboutBox*>();
    EXPECT_EQ(boxes.size(), 2);
    for (AboutBox* box : boxes)
        EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(fake.urls.opened, (QStringList{maker::webPage(), maker::webPage()}));
}

TEST_F(Entries, AboutAndWebPageLeaveThePageOnShow)
{
    MainWindow& w = started();
    chooseEntry(57);
    QPointer<QWidget> control = w.findChild<QWidget*>(QStringLiteral("CheckBox2"));
    chooseEntry(48);
    chooseEntry(64);
    EXPECT_FALSE(control.isNull());
    EXPECT_EQ(fake.urls.opened.size(), 2);
}

TEST_F(Entries, TheSwitchesPageTellsItsClicksToTheConfiguration)
{
    MainWindow& w = started();
    w.switchClicked(Switch::CheckOpenedFiles, false);
    EXPECT_FALSE(w.state().switches.on(Switch::CheckOpenedFiles));
    EXPECT_TRUE(w.state().switches.on(Switch::CheckRemovableDrives));
}

} // namespace
} // namespace orvanel::testing
