#include "pages/tools/CookiesDownloadsPage.h"

#include "ToolsPageTest.h"
#include "pages/settings/TestPanelContext.h"

#include <QCheckBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class CookiesDownloadsPageTest : public ::testing::Test
{
protected:
    CookiesDownloadsPageTest()
    {
        context.fake.user.home = m_home.path();
        context.fake.user.downloads = m_home.path() + u"/Downloads"_s;
    }

    void build(bool champ12 = true)
    {
        context.state().switches.set(Switch::BlockCookies, champ12);
        ASSERT_TRUE(context.tables().create(TableId::Configuration));
        // A fresh panel, as the page host gives each build; the old page goes with its own.
        panel = std::make_unique<QWidget>();
        panel->setGeometry(176, 48, 609, 369);
        panel->show();
        page = std::make_unique<CookiesDownloadsPage>(context);
        page->build(panel.get());
    }

    template <typename T> T* control(const QString& name) const
    {
        return panel->findChild<T*>(name);
    }
    QString downloads() const { return context.fake.user.downloads; }

    QTemporaryDir m_home;
    TestPanelContext context;
    std::unique_ptr<QWidget> panel;
    std::unique_ptr<CookiesDownloadsPage> page;
};

TEST_F(CookiesDownloadsPageTest, ControlsListsAndSwitch)
{
    touch(downloads() + u"/b.iso"_s);
    touch(downloads() + u"/a.pdf"_s);
    touch(downloads() + u"/noextension"_s);
    touch(downloads() + u"/.hidden"_s);
    touch(downloads() + u"/sub/inner.txt"_s);
    build(false);
    expectControls(panel.get(), {{"BitBtn20", {160, 216, 75, 25}, "entry 18"},
                                 {"BitBtn3", {288, 216, 75, 25}, "entry 18"},
                                 {"ShellTreeView1", {24, 48, 121, 161}},
                                 {"ShellTreeView2", {424, 48, 121, 161}},
                                 {"cookies file list", {160, 48, 121, 161}},
                                 {"downloads file list", {288, 48, 121, 161}},
                                 {"CheckBox13", {16, 24, 97, 17}, "entry 84"},
                                 {"cookies label", {192, 16, 38, 13}, "entry 75"},
                                 {"downloads label", {304, 16, 53, 13}, "entry 76"}});
    EXPECT_TRUE(control<QPushButton>(u"BitBtn3"_s)->isDefault());
    EXPECT_EQ(listed(control<QListWidget>(u"downloads file list"_s)),
              QStringList({u"a.pdf"_s, u"b.iso"_s, u"noextension"_s}));
    // Linux keeps no cookies folder: the list shows nothing, not the current folder.
    EXPECT_EQ(control<QListWidget>(u"cookies file list"_s)->count(), 0);
    EXPECT_TRUE(page->cookiesFolder().isEmpty());
    // Champ12 off: the box shows it and the writer ran once.
    auto* box = control<QCheckBox>(u"CheckBox13"_s);
    EXPECT_FALSE(box->isChecked());
    ASSERT_EQ(context.clicks.size(), 1);
    EXPECT_EQ(context.clicks.front(), std::make_pair(13, false));
    box->click();
    EXPECT_EQ(context.clicks.back(), std::make_pair(13, true));
    EXPECT_TRUE(context.state().switches.on(Switch::BlockCookies));
}

TEST_F(CookiesDownloadsPageTest, EmptyingDeletesTheListedFilesAndIndexDatAfterYesOnly)
{
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        QFile::remove(downloads() + u"/index.dat"_s);
        QFile::remove(downloads() + u"/later.txt"_s);
        touch(downloads() + u"/a.zip"_s);
        touch(downloads() + u"/.index.keep"_s);
        touch(downloads() + u"/sub/inner.txt"_s);
        build();
        // Shown after the list was read: only index.dat goes without being listed.
        touch(downloads() + u"/index.dat"_s);
        touch(downloads() + u"/later.txt"_s);
        context.fake.prompt.answers = {yes};
        control<QPushButton>(u"BitBtn3"_s)->click();

        EXPECT_EQ(context.fake.prompt.questions.last(), u"entry 65"_s);
        EXPECT_NE(QFileInfo::exists(downloads() + u"/a.zip"_s), yes);
        EXPECT_NE(QFileInfo::exists(downloads() + u"/index.dat"_s), yes);
        EXPECT_TRUE(QFileInfo::exists(downloads() + u"/later.txt"_s));
        EXPECT_TRUE(QFileInfo::exists(downloads() + u"/.index.keep"_s));
        EXPECT_TRUE(QFileInfo::exists(downloads() + u"/sub/inner.txt"_s));
        EXPECT_TRUE(context.fake.prompt.errors.isEmpty());
    }
}

TEST_F(CookiesDownloadsPageTest, FoldersThatAreNeverEmptied)
{
    touch(m_home.path() + u"/keep-home.txt"_s);
    context.workspace().write(u"keep-workspace.txt"_s, "x");
    const struct
    {
        const char* what;
        QString downloads;
        const char* button;
        const char* reason;
    } cases[] = {
        {"the cookies list's empty path", downloads(), "BitBtn20", "shows no folder"},
        {"a file-system root", u"/"_s, "BitBtn3", "root of a file system"},
        {"the home folder", m_home.path(), "BitBtn3", "your home folder"},
        {"the home folder, written otherwise", m_home.path() + u"/./"_s, "BitBtn3",
         "your home folder"},
        {"the workspace", context.workspace().dir(), "BitBtn3", "Orvanel's own files"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        context.fake.user.downloads = c.downloads;
        context.fake.prompt.questions.clear();
        context.fake.prompt.errors.clear();
        context.fake.prompt.defaultAnswer = true;
        build();
        control<QPushButton>(QString::fromLatin1(c.button))->click();

        EXPECT_TRUE(context.fake.prompt.questions.isEmpty());
        ASSERT_EQ(context.fake.prompt.errors.size(), 1);
        EXPECT_TRUE(context.fake.prompt.errors.front().contains(QString::fromLatin1(c.reason)))
            << context.fake.prompt.errors.front().toStdString();
        EXPECT_TRUE(QFileInfo::exists(m_home.path() + u"/keep-home.txt"_s));
        EXPECT_TRUE(context.workspace().exists(u"keep-workspace.txt"_s));
    }
}

TEST_F(CookiesDownloadsPageTest, AFolderSwappedWhileTheQuestionWaitsIsNotTheOneEmptied)
{
    // The list shows <home>/parent/Downloads; while the question waits, parent is moved
    // away and a link to another folder takes its name.
    const QString parent = m_home.path() + u"/parent"_s;
    context.fake.user.downloads = parent + u"/Downloads"_s;
    touch(downloads() + u"/a.zip"_s);
    touch(m_home.path() + u"/victim/Downloads/a.zip"_s, "the user's only copy");
    touch(m_home.path() + u"/victim/Downloads/index.dat"_s, "kept too");
    build();
    context.fake.prompt.answers = {true};
    context.fake.prompt.whileAsked = [&] {
        ASSERT_TRUE(QFile::rename(parent, m_home.path() + u"/moved"_s));
        ASSERT_TRUE(QFile::link(m_home.path() + u"/victim"_s, parent));
    };
    control<QPushButton>(u"BitBtn3"_s)->click();
    context.fake.prompt.whileAsked = nullptr;

    EXPECT_TRUE(QFileInfo::exists(m_home.path() + u"/victim/Downloads/a.zip"_s));
    EXPECT_TRUE(QFileInfo::exists(m_home.path() + u"/victim/Downloads/index.dat"_s));
    EXPECT_FALSE(QFileInfo::exists(m_home.path() + u"/moved/Downloads/a.zip"_s))
        << "the folder that was checked is the one emptied";
}

TEST_F(CookiesDownloadsPageTest, FolderChosenInATreeIsShownAndEmptied)
{
    const QString chosen = m_home.path() + u"/Chosen"_s;
    touch(chosen + u"/one.txt"_s);
    build();
    auto* tree = control<QTreeView>(u"ShellTreeView1"_s);
    auto* model = qobject_cast<QFileSystemModel*>(tree->model());
    ASSERT_NE(model, nullptr);
    tree->setCurrentIndex(model->index(chosen));
    page->ShellTreeView1DblClick();

    EXPECT_EQ(page->cookiesFolder(), chosen);
    EXPECT_EQ(listed(control<QListWidget>(u"cookies file list"_s)), QStringList{u"one.txt"_s});
    context.fake.prompt.answers = {true};
    control<QPushButton>(u"BitBtn20"_s)->click();
    EXPECT_FALSE(QFileInfo::exists(chosen + u"/one.txt"_s));
    EXPECT_EQ(page->downloadsFolder(), downloads()); // the other list keeps its folder
}

} // namespace
} // namespace orvanel::testing
