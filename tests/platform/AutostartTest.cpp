// The autostart list in a temporary XDG configuration folder.
#include "platform/linux/XdgAutostartEntries.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvanel::platform;
using Kind = AutostartEntries::Value::Kind;

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

class AutostartTest : public ::testing::Test
{
protected:
    QString folder() const { return m_config.path() + q("/autostart"); }
    void writeEntry(const char* file, const QByteArray& text) const
    {
        QDir().mkpath(folder());
        QFile f(folder() + q("/") + q(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    QTemporaryDir m_config;
    XdgAutostartEntries m_entries{m_config.path() + q("/autostart")};
};

TEST_F(AutostartTest, WrittenReadBackAndRemoved)
{
    EXPECT_TRUE(m_entries.valueNames().isEmpty());
    EXPECT_EQ(m_entries.value(q("Orvanel")).kind, Kind::Missing);

    const QString program = q("/opt/My Apps/orvanel");
    QString error;
    ASSERT_TRUE(m_entries.setValue(q("Orvanel"), program, &error)) << error.toStdString();
    EXPECT_TRUE(QFile::exists(folder() + q("/Orvanel.desktop")));
    EXPECT_EQ(m_entries.valueNames(), QStringList{q("Orvanel")});
    const auto value = m_entries.value(q("Orvanel"));
    EXPECT_EQ(value.kind, Kind::String);
    EXPECT_EQ(value.data, program); // compares equal to the program path, as start-up checks

    EXPECT_TRUE(m_entries.removeValue(q("Orvanel")));
    EXPECT_FALSE(QFile::exists(folder() + q("/Orvanel.desktop")));
    EXPECT_EQ(m_entries.value(q("Orvanel")).kind, Kind::Missing);
    EXPECT_FALSE(m_entries.removeValue(q("Orvanel")));
}

TEST_F(AutostartTest, RewriteReplacesTheWholeEntry)
{
    ASSERT_TRUE(m_entries.setValue(q("Orvanel"), q("/old/place/orvanel"), nullptr));
    ASSERT_TRUE(m_entries.setValue(q("Orvanel"), q("/new/place/orvanel"), nullptr));
    EXPECT_EQ(m_entries.value(q("Orvanel")).data, q("/new/place/orvanel"));
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files), QStringList{q("Orvanel.desktop")});
}

TEST_F(AutostartTest, ValuesOfOtherPrograms)
{
    writeEntry("tool.desktop", "[Desktop Entry]\nType=Application\nExec=/usr/bin/tool /autoRun\n");
    writeEntry("nocommand.desktop", "[Desktop Entry]\nType=Application\nName=x\n");
    writeEntry("elsewhere.desktop", "[Other Group]\nExec=/usr/bin/x\n");
    writeEntry("empty.desktop", "[Desktop Entry]\nExec=\n");
    writeEntry("notes.txt", "[Desktop Entry]\nExec=/not/a/value\n");
    QDir(folder()).mkdir(q("folder.desktop"));

    EXPECT_EQ(m_entries.valueNames(),
              (QStringList{q("elsewhere"), q("empty"), q("nocommand"), q("tool")}));
    const auto tool = m_entries.value(q("tool"));
    EXPECT_EQ(tool.kind, Kind::String);
    EXPECT_EQ(tool.data, q("/usr/bin/tool /autoRun"));
    EXPECT_EQ(m_entries.value(q("nocommand")).kind, Kind::NotString);
    EXPECT_EQ(m_entries.value(q("elsewhere")).kind, Kind::NotString);
    const auto empty = m_entries.value(q("empty"));
    EXPECT_EQ(empty.kind, Kind::String);
    EXPECT_TRUE(empty.data.isEmpty());
    EXPECT_EQ(m_entries.value(q("notes")).kind, Kind::Missing);
    EXPECT_EQ(m_entries.value(q("folder")).kind, Kind::Missing);
}

TEST_F(AutostartTest, NamesNeverReachOutsideTheFolder)
{
    writeEntry("../escaped.desktop", "[Desktop Entry]\nExec=/x\n");
    EXPECT_EQ(m_entries.value(q("../escaped")).kind, Kind::Missing);
    QString error;
    EXPECT_FALSE(m_entries.setValue(q("../evil"), q("/x"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(m_config.path() + q("/evil.desktop")));
    EXPECT_FALSE(m_entries.removeValue(q("../escaped")));
    EXPECT_TRUE(QFile::exists(m_config.path() + q("/escaped.desktop")));
    EXPECT_FALSE(m_entries.setValue(QString(), q("/x"), nullptr));
}

TEST_F(AutostartTest, UnwritableFolderIsReported)
{
    QFile blocker(m_config.path() + q("/blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    XdgAutostartEntries entries(m_config.path() + q("/blocker/autostart"));
    QString error;
    EXPECT_FALSE(entries.setValue(q("Orvanel"), q("/x"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(entries.valueNames().isEmpty());
}

TEST_F(AutostartTest, FolderFollowsTheXdgConfigHome)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    EXPECT_EQ(XdgAutostartEntries().folder(), folder());
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(XdgAutostartEntries::defaultFolder(), QDir::homePath() + q("/.config/autostart"));
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}

} // namespace
