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

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class ModificationLogsPageTest : public ::testing::Test
{
protected:
    void build()
    {
        page.reset(); // the page host frees the page with its panel
        panel = std::make_unique<QWidget>();
        page = std::make_unique<ModificationLogsPage>(context);
        page->build(panel.get());
        viewer()->setPlainText(u"old text"_s);
    }
    QListWidget* logList() const { return panel->findChild<QListWidget*>(u"LogList"_s); }
    QPlainTextEdit* viewer() const { return panel->findChild<QPlainTextEdit*>(u"LogViewer"_s); }
    void click(const QString& button) const
    {
        QTest::mouseClick(panel->findChild<QPushButton*>(button), Qt::LeftButton);
    }

    TestPanelContext context;
    std::unique_ptr<QWidget> panel;
    std::unique_ptr<ModificationLogsPage> page;
};

TEST_F(ModificationLogsPageTest, ListsTheModLogsInAnyLetterCase)
{
    const QString files[] = {u"mod.txt"_s,     u"regmod.txt"_s, u"XModLog.Txt"_s, u"MOD.TXT"_s,
                             u"mod.txt.bak"_s, u"modtxt"_s,     u"mo-d.txt"_s,    u"mod.log"_s};
    for (const QString& name : files)
        context.workspace().write(name, "line\r\n");
    // Neither a folder nor a link is a log the engines wrote.
    QDir(context.workspace().dir()).mkdir(u"foldermod.txt"_s);
    QFile::link(context.workspace().path(u"mod.txt"_s), context.workspace().path(u"linkmod.txt"_s));
    build();
    QStringList listed;
    for (int row = 0; row < logList()->count(); ++row)
        listed.append(logList()->item(row)->text().toLower());
    EXPECT_EQ(listed, (QStringList{u"mod.txt"_s, u"mod.txt"_s, u"regmod.txt"_s, u"xmodlog.txt"_s}));
    EXPECT_EQ(panel->findChild<QCheckBox*>(u"CheckBox8"_s)->geometry(), QRect(48, 224, 153, 17));
    EXPECT_EQ(panel->findChild<QPushButton*>(u"BitBtn8"_s)->text(), u"&No"_s);
}

TEST_F(ModificationLogsPageTest, ShowAndDeleteFollowTheAnswerAndSpareAHeldLog)
{
    const struct
    {
        const char* name;
        QString button;
        bool chosen, held, answer;
        const char* viewerAfter;
        bool fileAfter;
        int questions;
    } cases[] = {
        {"shown", u"BitBtn7"_s, true, false, true, "first line\nsecond line", true, 0},
        {"held, not shown", u"BitBtn7"_s, true, true, true, "", true, 0},
        {"held, not deleted, nothing asked", u"BitBtn8"_s, true, true, true, "old text", true, 0},
        {"No keeps file and viewer", u"BitBtn8"_s, true, false, false, "old text", true, 1},
        {"deleted after Yes", u"BitBtn8"_s, true, false, true, "", false, 1},
        {"show with no log chosen", u"BitBtn7"_s, false, false, true, "old text", true, 0},
        {"delete with no log chosen", u"BitBtn8"_s, false, false, true, "old text", true, 0},
    };
    for (const auto& c : cases) {
        context.workspace().write(u"regmod.txt"_s, "first line\r\nsecond line\r\n");
        const QString path = context.workspace().path(u"regmod.txt"_s);
        context.fake.probe.busy = c.held ? QStringList{path} : QStringList{};
        context.fake.prompt.questions.clear();
        context.fake.prompt.answers = {c.answer};
        build();
        if (c.chosen)
            logList()->setCurrentRow(0);
        click(c.button);
        EXPECT_EQ(viewer()->toPlainText(), QLatin1String(c.viewerAfter)) << c.name;
        EXPECT_EQ(QFile::exists(path), c.fileAfter) << c.name;
        EXPECT_EQ(context.fake.prompt.questions.size(), c.questions) << c.name;
        EXPECT_EQ(logList()->count(), 1) << c.name; // the list is not read again
        EXPECT_TRUE(context.fake.prompt.errors.isEmpty()) << c.name;
    }
}

TEST_F(ModificationLogsPageTest, SwitchThatIsOffShowsClearAndRestartsTheEngineOnce)
{
    ASSERT_TRUE(context.tables().create(TableId::Configuration));
    context.state().switches.set(Switch::LogNewPrograms, false); // Champ5, CheckBox8
    build();
    for (int number = 6; number <= 9; ++number)
        EXPECT_EQ(panel->findChild<QCheckBox*>(u"CheckBox%1"_s.arg(number))->isChecked(),
                  number != 8);
    EXPECT_EQ(context.fake.spawner.count(u"tempsreel.exe"_s), 1);
    EXPECT_EQ(context.clicks, (QList<std::pair<int, bool>>{{8, false}}));
}

} // namespace
} // namespace orvanel::testing
