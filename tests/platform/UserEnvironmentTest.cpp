// The user's folders, read from a temporary home and configuration folder.
#include "platform/linux/LinuxUserEnvironment.h"
#include "platform/linux/UserDirs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

using namespace orvanel::platform;

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(UserDirsParse, DesktopFolderLines)
{
    const QString home = q("/home/ana");
    struct Case
    {
        const char* text;
        std::optional<QString> folder;
    };
    const Case cases[] = {
        {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", q("/home/ana/Desktop")},
        {"# comment\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n",
         q("/home/ana/Bureau")},
        {"XDG_DESKTOP_DIR=\"/data/desk\"\n", q("/data/desk")},
        {"XDG_DESKTOP_DIR=\"$HOME/\"\n", q("/home/ana")}, // a switched-off folder: the home
        {"XDG_DESKTOP_DIR=\"$HOME\"\n", q("/home/ana")},
        {"XDG_DESKTOP_DIR=\"$HOME/Mon \\\"Bureau\\\"\"\n", q("/home/ana/Mon \"Bureau\"")},
        {"XDG_DESKTOP_DIR=\"$HOME/A\"\nXDG_DESKTOP_DIR=\"$HOME/B\"\n", q("/home/ana/B")},
        {"  XDG_DESKTOP_DIR = \"$HOME/Spaced\"  \r\n", q("/home/ana/Spaced")},
        {"XDG_DESKTOP_DIR=$HOME/Unquoted\n", q("/home/ana/Unquoted")},
        {"XDG_DESKTOP_DIR=\"relative/path\"\n", std::nullopt},
        {"XDG_DESKTOP_DIR=\"$HOMEX/x\"\n", std::nullopt},
        {"XDG_DESKTOP_DIR=\"$HOME/unclosed\n", std::nullopt},
        {"#XDG_DESKTOP_DIR=\"$HOME/Commented\"\n", std::nullopt},
        {"XDG_DESKTOP_DIRX=\"$HOME/Other\"\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(userDirFromText(q(c.text), u"XDG_DESKTOP_DIR", home), c.folder) << c.text;
}

class UserEnvironmentTest : public ::testing::Test
{
protected:
    QTemporaryDir m_temp;
    QString home() const { return m_temp.path() + q("/home"); }
    QString config() const { return m_temp.path() + q("/config"); }
};

TEST_F(UserEnvironmentTest, DesktopFolderFromUserDirsOrDefault)
{
    LinuxUserEnvironment user(home(), config());
    EXPECT_EQ(user.specialFolder(UserEnvironment::DesktopFolder), home() + q("/Desktop"));
    writeFile(config() + q("/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
    EXPECT_EQ(user.specialFolder(16), home() + q("/Bureau"));
    writeFile(config() + q("/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"relative\"\n");
    EXPECT_EQ(user.specialFolder(16), home() + q("/Desktop"));
}

TEST_F(UserEnvironmentTest, CookiesAndUnknownFoldersAreEmpty)
{
    LinuxUserEnvironment user(home(), config());
    EXPECT_TRUE(user.specialFolder(UserEnvironment::CookiesFolder).isEmpty());
    EXPECT_TRUE(user.specialFolder(0).isEmpty());
    EXPECT_TRUE(user.specialFolder(5).isEmpty());
    EXPECT_TRUE(user.specialFolder(-1).isEmpty());
}

TEST_F(UserEnvironmentTest, ConfigFolderDefaultsBelowTheHome)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CONFIG_HOME");
    LinuxUserEnvironment user(home());
    EXPECT_EQ(user.configDir(), home() + q("/.config"));
    qputenv("XDG_CONFIG_HOME", config().toUtf8());
    EXPECT_EQ(LinuxUserEnvironment(home()).configDir(), config());
    qputenv("XDG_CONFIG_HOME", "not/absolute");
    EXPECT_EQ(LinuxUserEnvironment(home()).configDir(), home() + q("/.config"));
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}

TEST_F(UserEnvironmentTest, UserNameIsTheEffectiveUsersLogin)
{
    const passwd* entry = getpwuid(geteuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(LinuxUserEnvironment(home(), config()).userName(), q(entry->pw_name));
}

TEST_F(UserEnvironmentTest, DownloadsFolderIsTheXdgDownloadFolderWhenItExists)
{
    LinuxUserEnvironment user(home(), config());
    // ~/Downloads by default, the folder of user-dirs.dirs when it names one.
    ASSERT_TRUE(QDir().mkpath(home() + q("/Downloads")));
    EXPECT_EQ(user.downloadsFolder(m_temp.path()), home() + q("/Downloads"));
    writeFile(config() + q("/user-dirs.dirs"),
              "XDG_DOWNLOAD_DIR=\"$HOME/T\u00e9l\u00e9chargements\"\n");
    ASSERT_TRUE(QDir().mkpath(home() + q("/T\u00e9l\u00e9chargements")));
    EXPECT_EQ(user.downloadsFolder(m_temp.path()), home() + q("/T\u00e9l\u00e9chargements"));
    EXPECT_EQ(user.homeFolder(), home());
}

TEST_F(UserEnvironmentTest, OtherwiseTheRootOfTheWorkspacesFileSystem)
{
    LinuxUserEnvironment user(home(), config());
    const QString workspace = QDir(m_temp.path()).canonicalPath() + q("/ws");
    ASSERT_TRUE(QDir().mkpath(workspace));
    const QString mountinfo = m_temp.path() + q("/mountinfo");
    const QByteArray base = QFile::encodeName(QDir(m_temp.path()).canonicalPath());
    writeFile(mountinfo, "27 1 253:1 / / rw - ext4 /dev/vda1 rw\n"
                         "30 27 253:2 / " +
                             base +
                             " rw - ext4 /dev/vdb rw\n"
                             "31 27 253:3 / " +
                             base + "/wsx rw - ext4 /dev/vdc rw\n");
    user.setMountInfoPath(mountinfo);
    EXPECT_EQ(user.downloadsFolder(workspace + q("/")), QString::fromUtf8(base));

    // The real mount table: some mount point above the workspace.
    LinuxUserEnvironment real(home(), config());
    const QString root = real.downloadsFolder(workspace);
    EXPECT_TRUE(root == q("/") || workspace.startsWith(root + q("/"))) << root.toStdString();

    user.setMountInfoPath(m_temp.path() + q("/missing"));
    EXPECT_EQ(user.downloadsFolder(workspace), q("/"));
}

} // namespace
