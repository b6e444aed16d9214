#include "pages/settings/BackupPage.h"

#include "TestPanelContext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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
        QDir(context.workspace().dir()).mkpath(u"docs"_s);
        QDir(context.workspace().dir()).mkpath(u"save"_s);
        build();
    }
    void build()
    {
        page.reset(); // the page host frees the page with its panel
        panel = std::make_unique<QWidget>();
        page = std::make_unique<BackupPage>(context);
        panel->show();
        page->build(panel.get());
    }
    template <typename W = QWidget> W* control(const QString& name) const
    {
        return panel->findChild<W*>(name);
    }
    QComboBox* sets() const { return control<QComboBox>(u"Combobox11"_s); }
    QString folder(const QString& name) const { return context.workspace().path(name); }
    void click(const QString& name) const
    {
        QTest::mouseClick(control<QAbstractButton>(name), Qt::LeftButton, {}, QPoint(6, 10));
    }
    void addSet(const QString& first, const QString& second) const
    {
        control<QLineEdit>(u"FirstFolderField"_s)->setText(folder(first));
        control<QLineEdit>(u"SecondFolderField"_s)->setText(folder(second));
        click(u"BitBtn27"_s);
    }
    void pickFirst() const // by the keyboard, as a user picks
    {
        sets()->setFocus();
        QTest::keyClick(sets(), Qt::Key_Down);
    }
    QString docsToSave() const { return folder(u"docs"_s) + u';' + folder(u"save"_s); }

    mutable TestPanelContext context;
    std::unique_ptr<QWidget> panel;
    std::unique_ptr<BackupPage> page;
};

TEST_F(BackupPageTest, PlacedControlsAndTreesThatFillTheirFields)
{
    const std::pair<const char*, QRect> placed[] = {
        {"CheckBox15", {16, 32, 129, 17}},          {"ScheduleGroup", {320, 222, 185, 121}},
        {"MinuteOption", {8, 32, 121, 21}},         {"HourOption", {8, 64, 121, 21}},
        {"SecondFolderField", {176, 222, 121, 21}}, {"BitBtn29", {200, 282, 75, 25}},
        {"Combobox11", {24, 252, 233, 19}},         {"ShellTreeView5", {176, 48, 121, 161}}};
    for (const auto& [name, geometry] : placed)
        EXPECT_EQ(control(QLatin1String(name))->geometry(), geometry) << name;
    EXPECT_EQ(control<QPushButton>(u"BitBtn29"_s)->text(), u"OK"_s);
    EXPECT_EQ(control<QRadioButton>(u"HourOption"_s)->text(), u"entry 101"_s);

    auto* tree = control<QTreeView>(u"ShellTreeView5"_s);
    auto* model = qobject_cast<QFileSystemModel*>(tree->model());
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->filter() & (QDir::Files | QDir::Dirs), QDir::Dirs);
    tree->setCurrentIndex(model->index(folder(u"save"_s)));
    Q_EMIT tree->doubleClicked(tree->currentIndex());
    EXPECT_EQ(control<QLineEdit>(u"SecondFolderField"_s)->text(), folder(u"save"_s));
}

TEST_F(BackupPageTest, SetAddedTwiceRunsNowWhileAnotherCopyRuns)
{
    context.workspace().write(u"file.txt"_s, "x");
    addSet(u"docs"_s, u"gone"_s);
    addSet(u"docs"_s, u"file.txt"_s);
    EXPECT_EQ(sets()->count(), 0);
    click(u"BitBtn29"_s); // nothing chosen: nothing runs
    addSet(u"docs"_s, u"save"_s);
    addSet(u"docs"_s, u"save"_s);
    EXPECT_EQ(sets()->count(), 2);
    EXPECT_EQ(sets()->itemText(1), docsToSave());

    context.fake.processes.add(u"sauvegarde.exe"_s);
    sets()->setCurrentIndex(1);
    click(u"BitBtn29"_s);
    ASSERT_EQ(context.fake.spawner.count(u"sauvegarde.exe"_s), 1);
    EXPECT_EQ(context.fake.spawner.calls.back().arguments, QStringList{docsToSave()});
}

TEST_F(BackupPageTest, RemovalAsksAndKeepsThePickedSet)
{
    addSet(u"docs"_s, u"save"_s);
    addSet(u"save"_s, u"docs"_s);
    pickFirst();
    EXPECT_EQ(context.state().selectedBackupSet, docsToSave());
    context.fake.prompt.answers = {false, true};
    click(u"BitBtn28"_s);
    EXPECT_EQ(sets()->count(), 2);
    click(u"BitBtn28"_s);
    EXPECT_EQ(sets()->count(), 1);
    EXPECT_EQ(sets()->currentIndex(), -1);
    EXPECT_EQ(context.state().selectedBackupSet, docsToSave());
}

TEST_F(BackupPageTest, ScheduleAndCheckOutliveThePageWhileARebuildEmptiesThePickedSet)
{
    // A build shows "none" whatever schedule is in force: going back to none takes a
    // click on another option first.
    const std::pair<QStringList, BackupSchedule> cases[] = {
        {{u"HourOption"_s}, BackupSchedule::EveryHour},
        {{u"NoScheduleOption"_s}, BackupSchedule::EveryHour},
        {{u"MinuteOption"_s, u"NoScheduleOption"_s}, BackupSchedule::Never},
        {{u"MinuteOption"_s, u"CheckBox15"_s}, BackupSchedule::EveryMinute}};
    for (const auto& [clicks, schedule] : cases) {
        addSet(u"docs"_s, u"save"_s);
        pickFirst();
        for (const QString& name : clicks)
            click(name);
        build();
        EXPECT_EQ(context.state().backupSchedule, schedule) << clicks.join(u' ').toStdString();
        EXPECT_TRUE(context.state().selectedBackupSet.isEmpty());
        EXPECT_TRUE(control<QRadioButton>(u"NoScheduleOption"_s)->isChecked());
        EXPECT_EQ(sets()->count(), 0);
    }
    EXPECT_FALSE(control<QCheckBox>(u"CheckBox15"_s)->isChecked());
}

} // namespace
} // namespace orvanel::testing
