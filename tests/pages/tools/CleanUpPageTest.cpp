#include "pages/tools/CleanUpPage.h"

#include "ToolsPageTest.h"
#include "pages/settings/TestPanelContext.h"
#include "platform/linux/FreedesktopTrash.h"
#include "platform/linux/XdgAutostartEntries.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

// A temporary home with a desktop, an autostart folder, a trash and a folder of programs
// that stands for PATH.
class CleanUpPageTest : public ::testing::Test
{
protected:
    CleanUpPageTest()
        : m_autostart(m_home.path() + u"/.config/autostart"_s),
          m_trash(m_home.path() + u"/.local/share"_s, m_home.path() + u"/mountinfo"_s)
    {
        context.fake.user.home = m_home.path();
        context.fake.user.desktop = desktop();
        context.serviceSet().autostart = &m_autostart;
        context.serviceSet().trash = &m_trash;
        touch(m_home.path() + u"/mountinfo"_s, {});
        touch(bin() + u"/livetool"_s, "#!/bin/sh\n");
        touch(bin() + u" with blank/live tool"_s, "#!/bin/sh\n");
        QDir().mkpath(desktop());
    }

    void build(bool desktopOn = true, bool startupOn = true, bool trashOn = true)
    {
        context.state().switches.set(Switch::CleanDeadShortcuts, desktopOn);
        context.state().switches.set(Switch::CleanStartUpEntries, startupOn);
        context.state().switches.set(Switch::CleanRecycleBin, trashOn);
        ASSERT_TRUE(context.tables().create(TableId::Configuration));
        // A fresh panel, as the page host gives each build; the old page goes with its own.
        panel = std::make_unique<QWidget>();
        panel->setGeometry(176, 48, 609, 369);
        panel->show();
        page = std::make_unique<CleanUpPage>(context);
        context.fake.programs.setSearchPath({bin(), m_home.path() + u"/empty-bin"_s});
        page->build(panel.get());
    }

    QString desktop() const { return m_home.path() + u"/Desktop"_s; }
    QString bin() const { return m_home.path() + u"/bin"_s; }
    QString trashFile() const { return m_home.path() + u"/.local/share/Trash/files/old.txt"_s; }
    QString trashed(const QString& name) const
    {
        return m_home.path() + u"/.local/share/Trash/files/"_s + name;
    }
    QListWidget* list() const { return panel->findChild<QListWidget*>(u"clean-up list"_s); }
    QPushButton* button(const QString& name) const { return panel->findChild<QPushButton*>(name); }
    QStringList listed() const { return testing::listed(list()); }

    QTemporaryDir m_home;
    platform::XdgAutostartEntries m_autostart;
    platform::FreedesktopTrash m_trash;
    TestPanelContext context;
    std::unique_ptr<QWidget> panel;
    std::unique_ptr<CleanUpPage> page;
};

TEST_F(CleanUpPageTest, ControlsAndSwitches)
{
    build(true, false, false);
    expectControls(panel.get(), {{"CheckBox10", {40, 56, 121, 17}, "entry 81"},
                                 {"CheckBox11", {40, 88, 145, 17}, "entry 82"},
                                 {"CheckBox12", {40, 112, 113, 17}, "entry 83"},
                                 {"BitBtn13", {248, 264, 75, 25}, "OK"},
                                 {"BitBtn18", {504, 80, 75, 25}, "OK"},
                                 {"clean-up list", {144, 48, 337, 97}},
                                 {"desktop file list", {648, 120, 105, 97}, nullptr, false}});
    // The two switches that are off were written, in the order of the boxes.
    EXPECT_EQ(context.clicks, (QList<std::pair<int, bool>>{{11, false}, {12, false}}));
    panel->findChild<QCheckBox*>(u"CheckBox10"_s)->click();
    EXPECT_EQ(context.clicks.back(), std::make_pair(10, false));
    EXPECT_FALSE(context.state().switches.on(Switch::CleanDeadShortcuts));
}

TEST_F(CleanUpPageTest, DeadDesktopShortcutsAreListedAndDeletedUnlessTicked)
{
    const QString live = bin() + u"/livetool"_s;
    const struct
    {
        const char* file;
        QByteArray text;
        bool dead;
    } shortcuts[] = {
        {"a-missing-path.desktop", "[Desktop Entry]\nType=Application\nExec=/nonexistent/x %U\n",
         true},
        {"b-missing-name.desktop", "[Desktop Entry]\nType=Application\nExec=no-such-tool\n", true},
        {"c-missing-tryexec.desktop",
         "[Desktop Entry]\nType=Application\nTryExec=/nonexistent/t\nExec=livetool\n", true},
        {"d-quoted-missing.desktop",
         "[Desktop Entry]\nType=Application\nExec=\"/nonexistent dir/x\" -a\n", true},
        {"e-missing-file.desktop", "[Desktop Entry]\nType=Link\nURL=file:///nonexistent/d.pdf\n",
         true},
        {"f-live-name.desktop", "[Desktop Entry]\nType=Application\nExec=livetool --new\n", false},
        {"g-live-path.desktop", "[Desktop Entry]\nType=Application\nExec=" + live.toUtf8() + "\n",
         false},
        {"h-web.desktop", "[Desktop Entry]\nType=Link\nURL=https://example.org/\n", false},
        {"i-not-an-entry.desktop", "just text\n", false},
        {"j-notes.txt", "[Desktop Entry]\nType=Application\nExec=/nonexistent/x\n", false},
    };
    QStringList dead;
    for (const auto& s : shortcuts) {
        touch(desktop() + u'/' + QLatin1StringView(s.file), s.text);
        if (s.dead)
            dead.append(QString::fromLatin1(s.file));
    }
    build(true, false, false);
    button(u"BitBtn13"_s)->click();
    ASSERT_EQ(listed(), dead);
    for (int row = 0; row < list()->count(); ++row)
        EXPECT_EQ(list()->item(row)->checkState(), Qt::Unchecked);

    list()->item(1)->setCheckState(Qt::Checked); // spared
    context.fake.prompt.answers = {false};
    button(u"BitBtn18"_s)->click();
    for (const QString& name : dead)
        EXPECT_TRUE(QFileInfo::exists(desktop() + u'/' + name)) << "No deletes nothing";

    context.fake.prompt.answers = {true};
    button(u"BitBtn18"_s)->click();
    for (const auto& s : shortcuts) {
        const QString name = QString::fromLatin1(s.file);
        const bool kept = !s.dead || name == dead[1];
        EXPECT_EQ(QFileInfo::exists(desktop() + u'/' + name), kept) << s.file;
        // Moved to the trash, from where the user can bring it back.
        EXPECT_EQ(QFileInfo::exists(trashed(name)), !kept) << s.file;
    }
    EXPECT_EQ(list()->count(), dead.size()); // the list is not changed

    // With the desktop analysis off the list stays as it was.
    panel->findChild<QCheckBox*>(u"CheckBox10"_s)->setChecked(false);
    button(u"BitBtn13"_s)->click();
    EXPECT_EQ(list()->count(), dead.size());
}

TEST_F(CleanUpPageTest, StartupEntriesRemovedOnlyWhenTheProgramIsCertainlyGone)
{
    const QString live = bin() + u"/livetool"_s;
    const struct
    {
        const char* name;
        QByteArray exec; // the Exec line; empty for an entry without one
        bool kept;
    } entries[] = {
        {"dead-autorun", "Exec=/nonexistent/prog /autoRun", false},
        {"dead-path", "Exec=/nonexistent/prog", false},
        {"dead-name", "Exec=no-such-tool --tray", false},
        {"live-autorun", "Exec=" + live.toUtf8() + " /autoRun", true},
        {"live-name", "Exec=livetool", true},
        {"live-quoted", "Exec=\"" + bin().toUtf8() + " with blank/live tool\" --min", true},
        {"relative", "Exec=./prog", true},
        {"empty-data", "Exec=", true},
        {"no-exec", "", true},
        {"Orvanel", "Exec=/nonexistent/Orvanel", true},
    };
    for (const auto& e : entries)
        touch(m_autostart.folder() + u'/' + QLatin1StringView(e.name) + u".desktop"_s,
              "[Desktop Entry]\nType=Application\n" + e.exec + "\n");

    build(false, false, false);
    button(u"BitBtn13"_s)->click(); // start-up clean-up off: nothing goes
    EXPECT_EQ(m_autostart.valueNames().size(), qsizetype(std::size(entries)));

    panel->findChild<QCheckBox*>(u"CheckBox11"_s)->setChecked(true);
    button(u"BitBtn13"_s)->click();
    for (const auto& e : entries) {
        EXPECT_EQ(m_autostart.valueNames().contains(QLatin1StringView(e.name)), e.kept) << e.name;
        EXPECT_EQ(QFileInfo::exists(trashed(QLatin1StringView(e.name) + u".desktop"_s)), !e.kept)
            << e.name;
    }
    EXPECT_TRUE(context.fake.prompt.questions.isEmpty()); // no question asked

    // The drive with the program was only away: the entry comes back from the trash to
    // where its record says it was, as it was.
    QFile info(m_home.path() + u"/.local/share/Trash/info/dead-path.desktop.trashinfo"_s);
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    QString origin;
    for (const QByteArray& line : info.readAll().split('\n'))
        if (line.startsWith("Path="))
            origin = QUrl::fromPercentEncoding(line.mid(5));
    EXPECT_EQ(origin, m_autostart.folder() + u"/dead-path.desktop"_s);
    ASSERT_TRUE(QFile::rename(trashed(u"dead-path.desktop"_s), origin));
    EXPECT_EQ(m_autostart.value(u"dead-path"_s).data, u"/nonexistent/prog"_s);
}

TEST_F(CleanUpPageTest, TrashEmptiedOnlyAfterYesWithCheckBox12Ticked)
{
    const struct
    {
        bool ticked;
        bool yes;
        bool emptied;
    } cases[] = {{true, false, false}, {false, true, false}, {true, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "ticked " << c.ticked << ", yes " << c.yes);
        touch(trashFile(), "old");
        build(false, false, c.ticked);
        context.fake.prompt.answers = {c.yes};
        button(u"BitBtn18"_s)->click();
        EXPECT_EQ(context.fake.prompt.questions.last(), u"entry 65"_s);
        EXPECT_NE(QFileInfo::exists(trashFile()), c.emptied);
    }
}

} // namespace
} // namespace orvanel::testing
