#include "pages/protection/ScanPage.h"

#include "../settings/TestPanelContext.h"
#include "panel/Scheduler.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

const QString kScan = u"scanwapper.exe"_s;

class ScanPageTest : public ::testing::Test
{
protected:
    ScanPageTest() { context.fake.volumes.points = {u"/"_s, u"/media/ann/USB KEY"_s}; }

    void build()
    {
        // As the page host does: the old panel and its controls go first, then the page.
        panel = std::make_unique<QWidget>();
        page.reset();
        panel->setGeometry(176, 48, 609, 369);
        panel->show();
        page = std::make_unique<ScanPage>(context);
        page->build(panel.get());
    }

    template <typename W> W* control(const QString& name) const
    {
        W* widget = panel->findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }

    std::vector<QStringList> scanStarts() const
    {
        std::vector<QStringList> starts;
        for (const auto& call : context.fake.spawner.calls) {
            if (call.name == kScan)
                starts.push_back(call.arguments);
        }
        return starts;
    }

    TestPanelContext context;
    std::unique_ptr<QWidget> panel;
    std::unique_ptr<ScanPage> page;
};

TEST_F(ScanPageTest, ControlsArePlacedAndCaptioned)
{
    build();
    const struct
    {
        const char* name;
        const char* parent;
        QRect geometry;
        const char* caption;
    } expected[] = {
        {"BitBtn22", "", {136, 24, 75, 25}, "entry 82"},
        {"BitBtn23", "", {296, 24, 75, 25}, "entry 25"},
        {"HourlyGroup", "", {128, 202, 257, 161}, ""},
        {"radiobutton12", "HourlyGroup", {16, 24, 129, 17}, "entry 101"},
        {"HourlyOffButton", "HourlyGroup", {16, 56, 113, 17}, "entry 29"},
        {"ScanTypeGroup", "", {128, 72, 257, 151}, ""},
        {"ScanType0Button", "ScanTypeGroup", {16, 24, 129, 17}, "entry 86"},
        {"ScanType1Button", "ScanTypeGroup", {16, 56, 113, 17}, "entry 87"},
        {"ScanType2Button", "ScanTypeGroup", {16, 88, 113, 17}, "entry 88"},
        {"ScanLogBox", "", {400, 77, 185, 189}, ""},
        {"DriveCombobox1", "", {400, 277, 113, 18}, ""},
    };
    for (const auto& e : expected) {
        auto* widget = control<QWidget>(QString::fromLatin1(e.name));
        ASSERT_NE(widget, nullptr);
        const QString parent = QString::fromLatin1(e.parent);
        EXPECT_EQ(widget->parentWidget()->objectName(), parent.isEmpty() ? QString() : parent)
            << e.name;
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), QString::fromLatin1(e.caption)) << e.name;
        }
    }
    EXPECT_TRUE(control<QRadioButton>(u"radiobutton12"_s)->isChecked());
    EXPECT_TRUE(control<QRadioButton>(u"ScanType0Button"_s)->isChecked());
    EXPECT_TRUE(control<QPushButton>(u"BitBtn22"_s)->isDefault());
    EXPECT_EQ(control<QPushButton>(u"BitBtn23"_s)->shortcut(), QKeySequence(Qt::Key_Escape));
    // The workspace lies on "/", shown first; nothing was asked.
    EXPECT_EQ(control<QComboBox>(u"DriveCombobox1"_s)->currentText(), u"/"_s);
    EXPECT_TRUE(context.fake.prompt.questions.isEmpty());
}

TEST_F(ScanPageTest, StartWritesTheTypeStartsTheEngineAndWaitsForTheScheduler)
{
    const struct
    {
        const char* button;
        const char* type;
    } cases[] = {{"ScanType0Button", "0"}, {"ScanType1Button", "1"}, {"ScanType2Button", "2"}};
    for (const auto& c : cases) {
        build();
        context.fake.spawner.calls.clear();
        Scheduler scheduler(context.state(), context.engines(), context.tables(),
                            context.services());
        QObject::connect(&scheduler, &Scheduler::scanIdle, &scheduler,
                         [this] { page->schedulerIdle(); });
        control<QRadioButton>(QString::fromLatin1(c.button))->click();
        auto* start = control<QPushButton>(u"BitBtn22"_s);
        QTest::mouseClick(start, Qt::LeftButton);

        const QString type = QString::fromLatin1(c.type);
        EXPECT_EQ(context.workspace().read(u"analyse.txt"_s), c.type + QByteArray("\r\n"));
        EXPECT_EQ(scanStarts(), std::vector<QStringList>{QStringList{type}}) << c.type;
        EXPECT_FALSE(start->isEnabled());
        scheduler.tick(); // the engine still runs
        EXPECT_FALSE(start->isEnabled()) << c.type;
        context.engines().stop(kScan);
        scheduler.tick();
        EXPECT_TRUE(start->isEnabled()) << c.type;
    }
}

TEST_F(ScanPageTest, StopRewritesTheTypeAndEndsEveryScan)
{
    build();
    context.fake.processes.add(kScan);
    context.fake.processes.add(kScan);
    control<QRadioButton>(u"ScanType2Button"_s)->click();
    control<QPushButton>(u"BitBtn23"_s)->click();
    EXPECT_EQ(context.workspace().read(u"analyse.txt"_s), QByteArray("2\r\n"));
    EXPECT_EQ(context.fake.processes.count(kScan), 0);
    EXPECT_TRUE(scanStarts().empty());
    EXPECT_TRUE(control<QPushButton>(u"BitBtn22"_s)->isEnabled());
}

TEST_F(ScanPageTest, HourlyScanIsTurnedOnByEveryBuild)
{
    build();
    control<QRadioButton>(u"HourlyOffButton"_s)->click();
    EXPECT_FALSE(context.state().hourlyScan);
    control<QRadioButton>(u"radiobutton12"_s)->click();
    EXPECT_TRUE(context.state().hourlyScan);
    control<QRadioButton>(u"HourlyOffButton"_s)->click();
    build();
    EXPECT_TRUE(context.state().hourlyScan);
}

TEST_F(ScanPageTest, ScanLogShowsTheEnginesLines)
{
    context.workspace().write(u"anaviri.txt"_s, "10:00 scan started\r\n10:01 no threat found\r\n");
    build();
    EXPECT_EQ(control<QPlainTextEdit>(u"ScanLogBox"_s)->toPlainText(),
              u"10:00 scan started\n10:01 no threat found"_s);
}

TEST_F(ScanPageTest, ChosenVolumeIsScannedAfterYesAndAListingOf42)
{
    const QString usb = u"/media/ann/USB KEY"_s;
    const struct
    {
        const char* name;
        bool answer;
        int listResult;
        bool listed;
        bool started;
    } cases[] = {
        {"yes", true, 42, true, true},
        {"no", false, 42, false, false},
        {"listing refused", true, 5, true, false},
    };
    for (const auto& c : cases) {
        build();
        context.fake.prompt.questions.clear();
        context.fake.prompt.answers = {c.answer};
        context.fake.volumes.listed.clear();
        context.fake.volumes.listResult = c.listResult;
        context.fake.spawner.calls.clear();
        control<QComboBox>(u"DriveCombobox1"_s)->setCurrentIndex(1);

        EXPECT_EQ(context.fake.prompt.questions, QStringList{u"entry 91"_s + usb + u" ?"_s});
        EXPECT_EQ(context.fake.volumes.listed, c.listed ? QStringList{usb} : QStringList())
            << c.name;
        // The mount point is one argument, blanks and all; nothing passes through a shell.
        const std::vector<QStringList> expected =
            c.started ? std::vector<QStringList>{{u"3"_s, usb}} : std::vector<QStringList>{};
        EXPECT_EQ(scanStarts(), expected) << c.name;
        EXPECT_EQ(context.fake.spawner.calls.size(), c.started ? 1u : 0u) << c.name;
    }
}

} // namespace
} // namespace orvanel::testing
