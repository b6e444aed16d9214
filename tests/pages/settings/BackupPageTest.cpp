#include "pages/settings/BackupPage.h"

#include "TestPanelContext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class BackupPageTest : public ::testing::Test
{
protected:
    BackupPageTest()
    {
        panel.setGeometry(176, 48, 609, 369);
        panel.show();
        QDir(folders.path()).mkpath(u"docs"_s);
        QDir(folders.path()).mkpath(u"save"_s);
        build();
    }

    void build()
    {
        page.reset();
        qDeleteAll(panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
        page = std::make_unique<BackupPage>(context);
        page->build(&panel);
    }

    template <typename W> W* control(const QString& name) const
    {
        return panel.findChild<W*>(name);
    }
    QComboBox* sets() const { return control<QComboBox>(u"Combobox11"_s); }
    QString folder(const QString& name) const { return folders.filePath(name); }
    void click(const QString& name) const
    {
        QTest::mouseClick(control<QAbstractButton>(name), Qt::LeftButton, {}, QPoint(6, 10));
    }
    void addSet(const QString& first, const QString& second) const
    {
        control<QLineEdit>(u"FirstFolderField"_s)->setText(first);
        control<QLineEdit>(u"SecondFolderField"_s)->setText(second);
        click(u"BitBtn27"_s);
    }
    // The user picks the next item of the drop-down list with the keyboard.
    void pickNext() const
    {
        sets()->setFocus();
        QTest::keyClick(sets(), Qt::Key_Down);
    }
    QList<QStringList> backupStarts() const
    {
        QList<QStringList> starts;
        for (const RecordingSpawner::Call& call : context.fake.spawner.calls)
            if (call.name == u"sauvegarde.exe"_s)
                starts.append(call.arguments);
        return starts;
    }

    mutable TestPanelContext context;
    QTemporaryDir folders;
    QWidget panel;
    std::unique_ptr<BackupPage> page;
};

TEST_F(BackupPageTest, ControlsArePlacedAndCaptioned)
{
    auto* group = control<QGroupBox>(u"ScheduleGroup"_s);
    ASSERT_NE(group, nullptr);
    const struct
    {
        const char* name;
        QWidget* parent;
        QRect geometry;
        const char* caption;
    } expected[] = {
        {"CheckBox15", &panel, {16, 32, 129, 17}, "entry 99"},
        {"ScheduleGroup", &panel, {320, 222, 185, 121}, ""},
        {"NoScheduleOption", group, {8, 8, 121, 21}, "entry 29"},
        {"MinuteOption", group, {8, 32, 121, 21}, "entry 100"},
        {"HourOption", group, {8, 64, 121, 21}, "entry 101"},
        {"FirstFolderField", &panel, {24, 222, 121, 21}, ""},
        {"SecondFolderField", &panel, {176, 222, 121, 21}, ""},
        {"BitBtn27", &panel, {32, 282, 75, 25}, "entry 14"},
        {"BitBtn28", &panel, {120, 282, 75, 25}, "entry 15"},
        {"BitBtn29", &panel, {200, 282, 75, 25}, "OK"},
        {"Combobox11", &panel, {24, 252, 233, 19}, ""},
        {"ShellTreeView4", &panel, {24, 48, 121, 161}, ""},
        {"ShellTreeView5", &panel, {176, 48, 121, 161}, ""},
    };
    for (const auto& e : expected) {
        auto* widget = control<QWidget>(QString::fromLatin1(e.name));
        ASSERT_NE(widget, nullptr) << e.name;
        EXPECT_EQ(widget->parentWidget(), e.parent) << e.name;
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
        QString caption;
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            caption = button->text();
        else if (auto* box = qobject_cast<QGroupBox*>(widget))
            caption = box->title();
        else if (auto* field = qobject_cast<QLineEdit*>(widget))
            caption = field->text();
        EXPECT_EQ(caption, QString::fromLatin1(e.caption)) << e.name;
    }
    EXPECT_TRUE(control<QCheckBox>(u"CheckBox15"_s)->isChecked());
    EXPECT_TRUE(control<QRadioButton>(u"NoScheduleOption"_s)->isChecked());
    EXPECT_FALSE(sets()->isEditable());
    EXPECT_EQ(sets()->count(), 0);
}

TEST_F(BackupPageTest, FolderTreesListFoldersOnlyAndFillTheirField)
{
    const struct
    {
        const char* tree;
        const char* field;
        const char* folder;
    } cases[] = {{"ShellTreeView4", "FirstFolderField", "docs"},
                 {"ShellTreeView5", "SecondFolderField", "save"}};
    for (const auto& c : cases) {
        auto* tree = control<QTreeView>(QString::fromLatin1(c.tree));
        auto* model = qobject_cast<QFileSystemModel*>(tree->model());
        ASSERT_NE(model, nullptr) << c.tree;
        EXPECT_EQ(model->filter() & (QDir::Files | QDir::Dirs), QDir::Dirs) << c.tree;
        const QModelIndex index = model->index(folder(QString::fromLatin1(c.folder)));
        tree->setCurrentIndex(index);
        Q_EMIT tree->doubleClicked(index);
        EXPECT_EQ(control<QLineEdit>(QString::fromLatin1(c.field))->text(),
                  folder(QString::fromLatin1(c.folder)))
            << c.tree;
    }
}

TEST_F(BackupPageTest, SetIsAddedOnlyForTwoExistingFolders)
{
    context.workspace().write(u"file.txt"_s, "x");
    const struct
    {
        const char* name;
        QString first;
        QString second;
        bool added;
    } cases[] = {
        {"two folders", folder(u"docs"_s), folder(u"save"_s), true},
        {"first missing", folder(u"gone"_s), folder(u"save"_s), false},
        {"second missing", folder(u"docs"_s), folder(u"gone"_s), false},
        {"first empty", QString(), folder(u"save"_s), false},
        {"second a file", folder(u"docs"_s), context.workspace().path(u"file.txt"_s), false},
    };
    for (const auto& c : cases) {
        sets()->clear();
        addSet(c.first, c.second);
        EXPECT_EQ(sets()->count(), c.added ? 1 : 0) << c.name;
        if (c.added) {
            EXPECT_EQ(sets()->itemText(0), c.first + u';' + c.second) << c.name;
        }
    }
}

TEST_F(BackupPageTest, SetAddedTwiceRunsNowWhileAnotherCopyRuns)
{
    const QString set = folder(u"docs"_s) + u';' + folder(u"save"_s);
    click(u"BitBtn29"_s); // nothing chosen yet
    EXPECT_TRUE(backupStarts().isEmpty());

    addSet(folder(u"docs"_s), folder(u"save"_s));
    addSet(folder(u"docs"_s), folder(u"save"_s));
    EXPECT_EQ(sets()->count(), 2);
    EXPECT_EQ(sets()->itemText(1), set);

    context.fake.processes.add(u"sauvegarde.exe"_s);
    sets()->setCurrentIndex(1);
    click(u"BitBtn29"_s);
    click(u"BitBtn29"_s);
    EXPECT_EQ(backupStarts(), QList<QStringList>(2, QStringList{set}));
}

TEST_F(BackupPageTest, RemovalAsksAndKeepsTheSelectedSet)
{
    addSet(folder(u"docs"_s), folder(u"save"_s));
    addSet(folder(u"save"_s), folder(u"docs"_s));
    pickNext();
    const QString picked = context.state().selectedBackupSet;
    ASSERT_FALSE(picked.isEmpty());

    context.fake.prompt.answers = {false};
    click(u"BitBtn28"_s);
    EXPECT_EQ(sets()->count(), 2);

    context.fake.prompt.answers = {true};
    click(u"BitBtn28"_s);
    ASSERT_EQ(sets()->count(), 1);
    EXPECT_NE(sets()->itemText(0), picked);
    EXPECT_TRUE(sets()->currentText().isEmpty());
    EXPECT_EQ(context.state().selectedBackupSet, picked);
    EXPECT_EQ(context.fake.prompt.questions, QStringList(2, u"entry 65"_s));

    click(u"BitBtn29"_s); // nothing chosen after the removal
    EXPECT_TRUE(backupStarts().isEmpty());
}

TEST_F(BackupPageTest, ScheduleOutlivesThePageAndARebuildEmptiesThePickedSet)
{
    // A build shows "none" checked whatever schedule is in force, so going back to none
    // takes a click on another option first.
    const struct
    {
        const char* option;
        QStringList clicks;
        BackupSchedule schedule;
    } cases[] = {{"minute", {u"MinuteOption"_s}, BackupSchedule::EveryMinute},
                 {"hour", {u"HourOption"_s}, BackupSchedule::EveryHour},
                 {"none, still hourly", {u"NoScheduleOption"_s}, BackupSchedule::EveryHour},
                 {"none", {u"MinuteOption"_s, u"NoScheduleOption"_s}, BackupSchedule::Never}};
    for (const auto& c : cases) {
        build();
        addSet(folder(u"docs"_s), folder(u"save"_s));
        pickNext();
        for (const QString& option : c.clicks)
            click(option);
        EXPECT_EQ(context.state().backupSchedule, c.schedule) << c.option;
        EXPECT_EQ(context.state().selectedBackupSet, folder(u"docs"_s) + u';' + folder(u"save"_s));

        build();
        EXPECT_EQ(context.state().backupSchedule, c.schedule) << c.option;
        EXPECT_TRUE(context.state().selectedBackupSet.isEmpty()) << c.option;
        EXPECT_TRUE(control<QRadioButton>(u"NoScheduleOption"_s)->isChecked()) << c.option;
        EXPECT_EQ(sets()->count(), 0) << c.option;
    }
}

TEST_F(BackupPageTest, CheckBoxStateIsKeptAcrossBuilds)
{
    click(u"CheckBox15"_s);
    EXPECT_FALSE(context.state().backupPageCheck);
    build();
    EXPECT_FALSE(control<QCheckBox>(u"CheckBox15"_s)->isChecked());
    click(u"CheckBox15"_s);
    build();
    EXPECT_TRUE(control<QCheckBox>(u"CheckBox15"_s)->isChecked());
    EXPECT_TRUE(context.state().backupPageCheck);
}

} // namespace
} // namespace orvanel::testing
