// The freedesktop trash, over temporary folders.
#include "platform/linux/FreedesktopTrash.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace orvanel::platform;
using namespace Qt::StringLiterals;

namespace {

void write(const QString& path, const QByteArray& bytes = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

TEST(VolumeMountPoints, RealFileSystemsOnly)
{
    const std::string text = "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                             "23 22 0:5 / /proc rw - proc proc rw\n"
                             "24 22 0:6 / /run rw - tmpfs tmpfs rw\n"
                             "25 22 8:2 / /media/USB\\040Key rw - vfat /dev/sdb1 rw\n"
                             "26 22 0:7 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
                             "27 22 8:3 / /home rw shared:1 - xfs /dev/sda3 rw\n"
                             "broken line\n";
    EXPECT_EQ(volumeMountPoints(text), QStringList({u"/"_s, u"/media/USB Key"_s, u"/home"_s}));
}

TEST(FreedesktopTrash, EmptiesTheUsersTrashFoldersAndNothingElse)
{
    QTemporaryDir temp;
    const QString root = temp.path();
    const QString uid = QString::number(::geteuid());
    const QString home = root + u"/data/Trash"_s;
    const QString volume = root + u"/volume"_s;
    const QString other = root + u"/other"_s;
    write(home + u"/files/a.txt"_s);
    write(home + u"/files/folder/b.txt"_s);
    write(home + u"/info/a.txt.trashinfo"_s);
    write(home + u"/expunged/c"_s);
    write(home + u"/directorysizes"_s);
    write(volume + u"/.Trash-"_s + uid + u"/files/d.txt"_s);
    write(volume + u"/keep.txt"_s);
    write(other + u"/precious.txt"_s);
    // A link inside the trash goes, the file it points at stays.
    ASSERT_TRUE(QFile::link(other + u"/precious.txt"_s, home + u"/files/link"_s));
    // A trash folder that is a link is not the user's trash.
    const QString linkedVolume = root + u"/linked"_s;
    QDir().mkpath(linkedVolume);
    QDir().mkpath(other + u"/files"_s);
    write(other + u"/files/e.txt"_s);
    ASSERT_TRUE(QFile::link(other, linkedVolume + u"/.Trash-"_s + uid));
    write(root + u"/mountinfo"_s, "1 0 8:1 / " + volume.toUtf8() + " rw - ext4 /dev/x rw\n" +
                                      "2 0 8:2 / " + linkedVolume.toUtf8() +
                                      " rw - ext4 /dev/y rw\n");

    FreedesktopTrash trash(root + u"/data"_s, root + u"/mountinfo"_s);
    EXPECT_EQ(trash.trashFolders(), QStringList({home, volume + u"/.Trash-"_s + uid}));
    EXPECT_TRUE(trash.empty());

    for (const char* part : {"files", "info", "expunged"})
        EXPECT_TRUE(QDir(home + u'/' + QLatin1StringView(part)).isEmpty()) << part;
    EXPECT_TRUE(QDir(home + u"/files"_s).exists());
    EXPECT_FALSE(QFileInfo::exists(home + u"/directorysizes"_s));
    EXPECT_FALSE(QFileInfo::exists(volume + u"/.Trash-"_s + uid + u"/files/d.txt"_s));
    EXPECT_TRUE(QFileInfo::exists(volume + u"/keep.txt"_s));
    EXPECT_TRUE(QFileInfo::exists(other + u"/precious.txt"_s));
    EXPECT_TRUE(QFileInfo::exists(other + u"/files/e.txt"_s));
}

} // namespace
