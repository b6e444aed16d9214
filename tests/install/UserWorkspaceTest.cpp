// The workspace of an installed panel: the layout file beside it, the user's folder,
// and how the program's copies in that folder are kept up to date.
#include "panel/UserWorkspace.h"
#include "support/OtherAccount.h"
#include "workspace/Names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace orvanel::testing {
namespace {

using namespace Qt::StringLiterals;

struct LayoutCase
{
    const char* what;
    QString text;
    QString launcher; // empty: the layout is refused
    QString data;
};

TEST(LayoutFile, KeysArePathsFromTheProgramFolderAndBothAreNeeded)
{
    const QString programDir = u"/usr/lib/orvanel/"_s;
    const LayoutCase cases[] = {
        {"relative paths", u"launcher=../../bin/orvanel\ndata=../../share/orvanel\n"_s,
         u"/usr/bin/orvanel"_s, u"/usr/share/orvanel/"_s},
        {"comments, blanks, CR LF",
         u"# made by the install\r\n\r\n data = ../../share/x \r\n"
         u"launcher = /opt/o/bin/orvanel\r\n"_s,
         u"/opt/o/bin/orvanel"_s, u"/usr/share/x/"_s},
        {"first of a key wins", u"launcher=a\nlauncher=b\ndata=d\ndata=e"_s,
         u"/usr/lib/orvanel/a"_s, u"/usr/lib/orvanel/d/"_s},
        {"no data folder", u"launcher=../../bin/orvanel\n"_s, {}, {}},
        {"no launcher", u"data=../../share/orvanel\nlauncher=\n"_s, {}, {}},
        {"not a layout",
         u"\x7f"
         "ELF binary"_s,
         {},
         {}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        const auto layout = install::parseLayout(programDir, c.text, &error);
        if (c.launcher.isEmpty()) {
            EXPECT_FALSE(layout);
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        ASSERT_TRUE(layout) << error.toStdString();
        EXPECT_EQ(layout->programDir, programDir);
        EXPECT_EQ(layout->launcher, c.launcher);
        EXPECT_EQ(layout->dataDir, c.data);
    }
}

TEST(LayoutFile, NoFileMeansTheBuildTreeAndAFileNamingNoDataFolderIsAnError)
{
    QTemporaryDir dir;
    const QString programDir = dir.path() + u'/';
    QString error;
    EXPECT_FALSE(install::readLayout(programDir, &error));
    EXPECT_TRUE(error.isEmpty());

    QFile layout(programDir + install::LayoutFileName);
    ASSERT_TRUE(layout.open(QIODevice::WriteOnly));
    layout.write("launcher=orvanel\ndata=missing\n");
    layout.close();
    EXPECT_FALSE(install::readLayout(programDir, &error));
    EXPECT_TRUE(error.contains(u"missing"_s)) << error.toStdString();
}

TEST(LayoutFile, ABuildTreeProgramWorksInItsOwnFolderAndStartsItself)
{
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).canonicalPath() + u'/';
    const install::Location location = install::locateWorkspace(folder + u"orvanel"_s);
    EXPECT_TRUE(location.error.isEmpty());
    EXPECT_EQ(location.workspaceDir, folder);
    EXPECT_EQ(location.autostartCommand, folder + u"orvanel"_s);
}

TEST(LayoutFile, AWorkspaceOthersCanWriteOrOwnIsRefusedWithItsReason)
{
    OtherAccount other;
    const struct
    {
        const char* what;
        mode_t mode;
        bool others;         // given to the other account
        const char* refusal; // empty: used
    } cases[] = {
        {"private", 0700, false, ""},
        {"readable by all", 0755, false, ""},
        {"writable by all", 0777, false, "other users can write"},
        {"writable by the group", 0775, false, "other users can write"},
        {"shared like /tmp", 01777, false, "other users can write"},
        {"another user's", 0755, true, "belongs to another user"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.others && !other.exists())
            continue;
        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).canonicalPath();
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), c.mode), 0);
        if (c.others) {
            ASSERT_TRUE(other.give(folder));
        }
        const install::Location location = install::locateWorkspace(folder + u"/orvanel"_s);
        EXPECT_TRUE(install::workspaceRefusal(folder).contains(QLatin1StringView(c.refusal)));
        EXPECT_TRUE(location.error.contains(QLatin1StringView(c.refusal)))
            << location.error.toStdString();
        EXPECT_EQ(location.workspaceDir.isEmpty(), *c.refusal != '\0');
    }
    if (!other.exists())
        GTEST_SKIP() << "another user's folder: " << other.whyMissing().toStdString();
}

TEST(UserFolder, DataHomeWhenAbsoluteElseTheHomesShareFolder)
{
    const struct
    {
        QString dataHome, home, expected;
    } cases[] = {
        {u"/x/data"_s, u"/home/ann"_s, u"/x/data/orvanel/"_s},
        {u"/x/data/"_s, {}, u"/x/data/orvanel/"_s},
        {u"relative/data"_s, u"/home/ann"_s, u"/home/ann/.local/share/orvanel/"_s},
        {{}, u"/home/ann"_s, u"/home/ann/.local/share/orvanel/"_s},
        {{}, u"ann"_s, {}},
        {{}, {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(install::userWorkspaceDir(c.dataHome, c.home), c.expected)
            << c.dataHome.toStdString() << " / " << c.home.toStdString();
}

// An installed program in a temporary folder: engine programs and data files of its own.
class Preparation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = QDir(m_dir.path()).canonicalPath() + u'/';
        layout = {root + u"lib/"_s, root + u"share/"_s, root + u"bin/orvanel"_s};
        workspace = root + u"home/data/orvanel/"_s;
        ASSERT_TRUE(QDir().mkpath(layout.programDir) && QDir().mkpath(layout.dataDir));
        ASSERT_TRUE(QDir().mkpath(root + u"home"_s));
        for (const QLatin1StringView engine : names::AllEngines)
            write(layout.programDir + engine, "#!/bin/sh\n# " + engine.toString().toUtf8());
        write(layout.dataDir + u"kentro_fr.txt"_s, "Tableau de bord\r\n");
        write(layout.dataDir + u"liens_fr.txt"_s, "https://example.invalid\r\n");
    }

    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static mode_t modeOf(const QString& path)
    {
        struct stat info = {};
        ::lstat(QFile::encodeName(path).constData(), &info);
        return info.st_mode;
    }
    bool prepare(QString* error = nullptr)
    {
        QString reason;
        const bool ok = install::prepareWorkspace(layout, workspace, &reason);
        if (error)
            *error = reason;
        return ok;
    }
    // A new version of an installed file: new content and a later modification time.
    void upgrade(const QString& path, const QByteArray& bytes)
    {
        write(path, bytes);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                         QFileDevice::FileModificationTime);
    }

    QTemporaryDir m_dir;
    QString root;
    install::Layout layout;
    QString workspace;
};

TEST_F(Preparation, FirstStartMakesAPrivateFolderWithCopiesOfTheProgramsFiles)
{
    QString error;
    ASSERT_TRUE(prepare(&error)) << error.toStdString();
    EXPECT_EQ(modeOf(workspace) & 0777, 0700u);
    for (const QLatin1StringView engine : names::AllEngines) {
        SCOPED_TRACE(engine.data());
        EXPECT_EQ(read(workspace + engine), read(layout.programDir + engine));
        EXPECT_EQ(modeOf(workspace + engine) & 0777, 0700u);
    }
    EXPECT_EQ(read(workspace + u"kentro_fr.txt"_s), "Tableau de bord\r\n");
    EXPECT_EQ(modeOf(workspace + u"liens_fr.txt"_s) & 0777, 0600u);
    // Tables and side files are the panel's to create, with their defaults.
    EXPECT_EQ(QDir(workspace).entryList(QDir::Files).size(), int(names::AllEngines.size()) + 2);
}

TEST_F(Preparation, NewInstalledVersionReplacesTheCopiesAndLeavesTheUsersFilesAlone)
{
    ASSERT_TRUE(prepare());
    const QByteArray rules = "<?xml version=\"1.0\"?><DATAPACKET><ROWDATA><ROW Champ1=\"a\"/>";
    write(workspace + names::RulesTable, rules);
    write(workspace + names::TrackFile, "3\r\n");
    write(workspace + names::LanguageTable, "GB");
    struct stat linksBefore = {};
    ::stat(QFile::encodeName(workspace + u"liens_fr.txt"_s).constData(), &linksBefore);

    upgrade(layout.dataDir + u"kentro_fr.txt"_s, "Tableau de bord 2\r\n");
    upgrade(layout.programDir + names::RealTimeEngine, "#!/bin/sh\n# new engine\n");
    ASSERT_TRUE(prepare());

    EXPECT_EQ(read(workspace + u"kentro_fr.txt"_s), "Tableau de bord 2\r\n");
    EXPECT_EQ(read(workspace + names::RealTimeEngine), "#!/bin/sh\n# new engine\n");
    EXPECT_EQ(modeOf(workspace + names::RealTimeEngine) & 0777, 0700u);
    EXPECT_EQ(read(workspace + names::RulesTable), rules);
    EXPECT_EQ(read(workspace + names::TrackFile), "3\r\n");
    EXPECT_EQ(read(workspace + names::LanguageTable), "GB");
    struct stat linksAfter = {};
    ::stat(QFile::encodeName(workspace + u"liens_fr.txt"_s).constData(), &linksAfter);
    EXPECT_EQ(linksAfter.st_ino, linksBefore.st_ino) << "an unchanged copy is not rewritten";
}

TEST_F(Preparation, AMissingCopyComesBackAndALinkInItsPlaceIsReplacedNotWrittenThrough)
{
    ASSERT_TRUE(prepare());
    QFile::remove(workspace + u"liens_fr.txt"_s);
    const QString outside = root + u"outside.txt"_s;
    write(outside, "not the panel's");
    QFile::remove(workspace + u"kentro_fr.txt"_s);
    ASSERT_TRUE(QFile::link(outside, workspace + u"kentro_fr.txt"_s));

    ASSERT_TRUE(prepare());
    EXPECT_EQ(read(workspace + u"liens_fr.txt"_s), "https://example.invalid\r\n");
    EXPECT_TRUE(S_ISREG(modeOf(workspace + u"kentro_fr.txt"_s)));
    EXPECT_EQ(read(workspace + u"kentro_fr.txt"_s), "Tableau de bord\r\n");
    EXPECT_EQ(read(outside), "not the panel's");
}

TEST_F(Preparation, AnIncompleteInstallationIsReported)
{
    QFile::remove(layout.programDir + names::NotifierProgram);
    QString error;
    EXPECT_FALSE(prepare(&error));
    EXPECT_TRUE(error.contains(names::NotifierProgram)) << error.toStdString();
}

TEST_F(Preparation, AFolderOfAnotherUserIsNeverUsedNorMadeInAnotherUsersHome)
{
    const uid_t nobody = 65534;
    const QString home = root + u"home"_s;
    // Started with another user's environment: that user's home holds no workspace yet.
    if (::chown(QFile::encodeName(home).constData(), nobody, nobody) != 0)
        GTEST_SKIP() << "only the superuser can give a folder to another user";
    QString error;
    EXPECT_FALSE(prepare(&error));
    EXPECT_FALSE(QFileInfo::exists(root + u"home/data"_s));
    EXPECT_TRUE(error.contains(home)) << error.toStdString();

    // That user's own workspace.
    ASSERT_EQ(::chown(QFile::encodeName(home).constData(), ::geteuid(), ::getegid()), 0);
    ASSERT_TRUE(QDir().mkpath(workspace));
    write(workspace + names::RulesTable, "theirs");
    ASSERT_EQ(::chown(QFile::encodeName(workspace).constData(), nobody, nobody), 0);
    EXPECT_FALSE(prepare(&error));
    EXPECT_EQ(read(workspace + names::RulesTable), "theirs");
    EXPECT_FALSE(QFileInfo::exists(workspace + names::RealTimeEngine));
}

TEST_F(Preparation, AFileWhereTheFolderShouldBeIsReported)
{
    ASSERT_TRUE(QDir().mkpath(root + u"home/data"_s));
    write(root + u"home/data/orvanel"_s, "a file");
    QString error;
    EXPECT_FALSE(prepare(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(read(root + u"home/data/orvanel"_s), "a file");
}

} // namespace
} // namespace orvanel::testing
