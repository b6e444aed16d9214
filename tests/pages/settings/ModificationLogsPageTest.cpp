#include "pages/settings/ModificationLogsPage.h"

#include "TestPanelContext.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class ModificationLogsPageTest : public ::testing::Test
{
protected:
    ModificationLogsPageTest()
    {
        panel.setGeometry(176, 48, 609, 369);
        panel.show();
    }

    void build()
    {
        page.reset();
        qDeleteAll(panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
        page = std::make_unique<ModificationLogsPage>(context);
        page->build(&panel);
    }

    template <typename W> W* control(const QString& name) const
    {
        return panel.findChild<W*>(name);
    }
    QListWidget* logList() const { return control<QListWidget>(u"LogList"_s); }
    QPlainTextEdit* viewer() const { return control<QPlainTextEdit>(u"LogViewer"_s); }
    QStringList listed() const
    {
        QStringList names;
        for (int row = 0; row < logList()->count(); ++row)
            names.append(logList()->item(row)->text());
        return names;
    }
    void choose(const QString& name) const
    {
        const QList<QListWidgetItem*> found = logList()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        logList()->setCurrentItem(found.front());
    }
    void click(const char* button) const
    {
        QTest::mouseClick(control<QPushButton>(QString::fromLatin1(button)), Qt::LeftButton);
    }

    mutable TestPanelContext context;
    QWidget panel;
    std::unique_ptr<ModificationLogsPage> page;
};

TEST_F(ModificationLogsPageTest, ControlsArePlacedAndCaptioned)
{
    build();
    const struct
    {
        const char* name;
        QRect geometry;
        const char* caption;
    } expected[] = {
        {"BitBtn7", {32, 32, 75, 25}, "OK"},
        {"BitBtn8", {32, 64, 75, 25}, "&No"},
        {"CheckBox6", {48, 160, 169, 17}, "entry 77"},
        {"CheckBox7", {48, 192, 145, 17}, "entry 78"},
        {"CheckBox8", {48, 224, 153, 17}, "entry 79"},
        {"CheckBox9", {48, 248, 145, 17}, "entry 80"},
        {"LogList", {120, 32, 153, 109}, ""},
        {"LogViewer", {280, 32, 300, 310}, ""},
    };
    for (const auto& e : expected) {
        auto* widget = control<QWidget>(QString::fromLatin1(e.name));
        ASSERT_NE(widget, nullptr) << e.name;
        EXPECT_EQ(widget->parentWidget(), &panel) << e.name;
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), QString::fromLatin1(e.caption)) << e.name;
        }
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_FALSE(button->icon().isNull()) << e.name;
        }
    }
    EXPECT_EQ(viewer()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(viewer()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(viewer()->isReadOnly());
    EXPECT_TRUE(context.clicks.isEmpty()); // every switch on: no writer ran
}

TEST_F(ModificationLogsPageTest, ListsTheModLogsInAnyLetterCase)
{
    const struct
    {
        const char* name;
        bool listed;
    } files[] = {
        {"mod.txt", true},     {"regmod.txt", true},   {"MOD.TXT", true},
        {"xModLog.Txt", true}, {"mod.txt.bak", false}, {"modtxt", false},
        {"mo-d.txt", false},   {"journal.txt", false}, {"mod.log", false},
    };
    EXPECT_TRUE(ModificationLogsPage::modificationLogs(context.workspace().dir()).isEmpty());
    QStringList expected;
    for (const auto& f : files) {
        context.workspace().write(QString::fromLatin1(f.name), "line\r\n");
        if (f.listed)
            expected.append(QString::fromLatin1(f.name));
    }
    // Neither a folder nor a link is a log of the engines.
    QDir(context.workspace().dir()).mkdir(u"foldermod.txt"_s);
    QFile::link(context.workspace().path(u"mod.txt"_s), context.workspace().path(u"linkmod.txt"_s));
    build();
    QStringList names = listed();
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    }));
    names.sort();
    expected.sort();
    EXPECT_EQ(names, expected);
}

TEST_F(ModificationLogsPageTest, ShowAndDeleteFollowTheAnswerAndSpareAHeldLog)
{
    const struct
    {
        const char* name;
        const char* button;
        bool held;
        bool answer;
        const char* viewerAfter;
        bool fileAfter;
        int questions;
    } cases[] = {
        {"shown", "BitBtn7", false, true, "first line\nsecond line", true, 0},
        {"held, not shown", "BitBtn7", true, true, "", true, 0},
        {"held, not deleted and nothing asked", "BitBtn8", true, true, "old text", true, 0},
        {"No keeps the file and the viewer", "BitBtn8", false, false, "old text", true, 1},
        {"deleted after Yes", "BitBtn8", false, true, "", false, 1},
    };
    for (const auto& c : cases) {
        context.workspace().write(u"regmod.txt"_s, "first line\r\nsecond line\r\n");
        context.fake.probe.busy.clear();
        if (c.held)
            context.fake.probe.busy.append(context.workspace().path(u"regmod.txt"_s));
        context.fake.prompt.questions.clear();
        context.fake.prompt.answers = {c.answer};
        build();
        viewer()->setPlainText(u"old text"_s);
        choose(u"regmod.txt"_s);
        click(c.button);
        EXPECT_EQ(viewer()->toPlainText(), QString::fromLatin1(c.viewerAfter)) << c.name;
        EXPECT_EQ(context.workspace().exists(u"regmod.txt"_s), c.fileAfter) << c.name;
        EXPECT_EQ(context.fake.prompt.questions.size(), c.questions) << c.name;
        EXPECT_EQ(listed(), QStringList{u"regmod.txt"_s}) << c.name; // not refreshed
        EXPECT_TRUE(context.fake.prompt.errors.isEmpty()) << c.name;
    }
}

TEST_F(ModificationLogsPageTest, ButtonsWithNoLogChosenDoNothing)
{
    context.workspace().write(u"regmod.txt"_s, "text");
    for (const char* button : {"BitBtn7", "BitBtn8"}) {
        build();
        viewer()->setPlainText(u"old text"_s);
        click(button);
        EXPECT_EQ(viewer()->toPlainText(), u"old text"_s) << button;
        EXPECT_TRUE(context.workspace().exists(u"regmod.txt"_s)) << button;
        EXPECT_TRUE(context.fake.prompt.questions.isEmpty()) << button;
        EXPECT_TRUE(context.fake.prompt.errors.isEmpty()) << button;
    }
}

TEST_F(ModificationLogsPageTest, SwitchThatIsOffShowsClearAndRestartsTheEngineOnce)
{
    ASSERT_TRUE(context.tables().create(TableId::Configuration));
    context.state().configuration[4] = false; // Champ5, CheckBox8
    build();
    const bool expected[] = {true, true, false, true};
    for (int number = 6; number <= 9; ++number)
        EXPECT_EQ(control<QCheckBox>(u"CheckBox%1"_s.arg(number))->isChecked(),
                  expected[number - 6])
            << number;
    EXPECT_EQ(context.fake.spawner.count(u"tempsreel.exe"_s), 1);
    ASSERT_EQ(context.clicks.size(), 1);
    EXPECT_EQ(context.clicks.front(), std::make_pair(8, false));
}

} // namespace
} // namespace orvanel::testing
