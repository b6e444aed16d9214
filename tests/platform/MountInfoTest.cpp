// The mount table readers, driven by lines as the kernel writes them, and the Linux
// volume listing and mount watcher pointed at sample tables in a temporary folder.
#include "platform/linux/MountInfo.h"
#include "platform/linux/LinuxVolumes.h"
#include "platform/linux/ProcMountWatcher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

using namespace orvanel::platform;
using namespace Qt::StringLiterals;

namespace {

const std::string kRoot = "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda1 rw\n";
const std::string kProc = "22 27 0:21 / /proc rw,relatime - proc proc rw\n";
const std::string kRun = "25 27 0:23 / /run rw,nosuid - tmpfs tmpfs rw,size=812k\n";
const std::string kHome = "30 27 8:2 / /home rw,relatime shared:5 - ext4 /dev/sda2 rw\n";
const std::string kUsb =
    "91 30 8:17 / /media/ann/USB\\040KEY rw,nosuid shared:50 - vfat /dev/sdb1 rw,uid=1000\n";
const std::string kNfs = "92 27 0:52 / /mnt/share rw - nfs4 server:/export rw,vers=4.2\n";
const std::string kSshfs = "93 27 0:53 / /mnt/remote rw - fuse.sshfs ann@host:/ rw\n";
const std::string kOverHome = "94 30 8:33 / /home rw,relatime - ext4 /dev/sdc1 rw\n";
const std::string kNtfs = "95 27 8:49 / /media/ann/Data rw - fuseblk /dev/sdd1 rw\n";

TEST(MountInfo, LinesGiveTheirFields)
{
    struct Case
    {
        std::string line;
        MountEntry expected;
    };
    const Case cases[] = {
        {kRoot, {27, 1, u"/"_s, u"/"_s, u"ext4"_s, u"/dev/vda1"_s}},
        {kUsb, {91, 30, u"/"_s, u"/media/ann/USB KEY"_s, u"vfat"_s, u"/dev/sdb1"_s}},
        // several optional fields before the separator
        {"36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 shared:7 - ext3 /dev/root rw,errors=continue",
         {36, 35, u"/mnt1"_s, u"/mnt2"_s, u"ext3"_s, u"/dev/root"_s}},
        {"40 27 0:40 / /tmp/a\\011b rw - btrfs /dev/sda3 rw\r",
         {40, 27, u"/"_s, u"/tmp/a\tb"_s, u"btrfs"_s, u"/dev/sda3"_s}},
        {"41 27 0:41 / /x rw - tmpfs", {41, 27, u"/"_s, u"/x"_s, u"tmpfs"_s, QString()}},
    };
    for (const Case& c : cases) {
        const auto entry = parseMountInfoLine(c.line.substr(0, c.line.find('\n')));
        ASSERT_TRUE(entry.has_value()) << c.line;
        EXPECT_EQ(*entry, c.expected) << c.line;
    }
    for (const char* broken :
         {"", "27 1 254:0 / / rw", "27 1 254:0 / / rw -", "x 1 254:0 / / rw - ext4 /dev/vda rw",
          "27 1 254:0 / relative rw - ext4 /dev/vda rw"})
        EXPECT_FALSE(parseMountInfoLine(broken).has_value()) << broken;
}

TEST(MountInfo, VolumesAreLocalRealFileSystemsEachOnce)
{
    const std::string table =
        kProc + kRoot + kRun + kHome + kUsb + kNfs + kSshfs + kOverHome + kNtfs + "garbage line\n";
    EXPECT_EQ(volumeMountPoints(parseMountInfo(table)),
              QStringList({u"/"_s, u"/home"_s, u"/media/ann/USB KEY"_s, u"/media/ann/Data"_s}));
}

TEST(MountInfo, ArrivalsAreNewMountsWithTheirFlags)
{
    struct Case
    {
        const char* name;
        std::string before;
        std::string after;
        std::vector<std::pair<QString, int>> arrivals;
    };
    const Case cases[] = {
        {"nothing new", kRoot + kHome, kRoot + kHome, {}},
        {"a USB key", kRoot + kHome, kRoot + kHome + kUsb, {{u"/media/ann/USB KEY"_s, 0}}},
        {"an NFS share", kRoot, kRoot + kNfs, {{u"/mnt/share"_s, MountArrival::Network}}},
        {"an sshfs mount", kRoot, kRoot + kSshfs, {{u"/mnt/remote"_s, MountArrival::Network}}},
        {"a mount over /home",
         kRoot + kHome,
         kRoot + kHome + kOverHome,
         {{u"/home"_s, MountArrival::MediaChange}}},
        {"a pseudo file system", kRoot, kRoot + kRun, {}},
        {"a removal", kRoot + kHome + kUsb, kRoot + kHome, {}},
        {"two at once, one by one",
         kRoot + kHome,
         kRoot + kHome + kUsb + kNtfs,
         {{u"/media/ann/USB KEY"_s, 0}, {u"/media/ann/Data"_s, 0}}},
        // The id 91 came back for another volume at another place.
        {"a mount id used again",
         kRoot + kHome + kUsb,
         kRoot + kHome + "91 27 8:65 / /media/ann/Other rw - exfat /dev/sde1 rw\n",
         {{u"/media/ann/Other"_s, 0}}},
    };
    for (const Case& c : cases) {
        const auto arrivals = mountArrivals(parseMountInfo(c.before), parseMountInfo(c.after));
        std::vector<std::pair<QString, int>> got;
        for (const MountArrival& arrival : arrivals)
            got.emplace_back(arrival.mountPoint, arrival.flags);
        EXPECT_EQ(got, c.arrivals) << c.name;
    }
}

class MountTableFiles : public ::testing::Test
{
protected:
    void writeTable(const std::string& text)
    {
        // Rewritten in place, as the kernel's file keeps its descriptor.
        QFile file(m_table);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.data(), qint64(text.size()));
    }
    // A line mounting `point` with the given id and file system.
    static std::string mountLine(int id, const QString& point, const char* fileSystem)
    {
        QString escaped = point;
        escaped.replace(u' ', u"\\040"_s);
        return std::to_string(id) + " 27 8:1 / " + escaped.toStdString() + " rw - " + fileSystem +
               " /dev/sdx1 rw\n";
    }

    QTemporaryDir m_dir;
    QString m_table = m_dir.filePath(u"mountinfo"_s);
};

TEST_F(MountTableFiles, ListingShowsFoldersAndListsTheirRoot)
{
    const QString volume = m_dir.filePath(u"volume one"_s);
    ASSERT_TRUE(QDir().mkpath(volume));
    QFile(volume + u"/file"_s).open(QIODevice::WriteOnly);
    QFile(m_dir.filePath(u"hosts"_s)).open(QIODevice::WriteOnly);
    writeTable(mountLine(40, volume, "ext4") + mountLine(41, m_dir.filePath(u"hosts"_s), "ext4") +
               mountLine(42, m_dir.filePath(u"gone"_s), "ext4"));

    LinuxVolumes volumes(m_table);
    // A single file bound in and a vanished folder are no volumes.
    EXPECT_EQ(volumes.mountPoints(), QStringList{volume});
    EXPECT_TRUE(volumes.isReady(volume));
    EXPECT_FALSE(volumes.isReady(m_dir.filePath(u"gone"_s)));
    EXPECT_EQ(volumes.listRoot(volume), Volumes::Success);
    EXPECT_EQ(volumes.listRoot(m_dir.filePath(u"gone"_s)), Volumes::NotFound);
    EXPECT_EQ(volumes.listRoot(QString()), Volumes::NotFound);
    EXPECT_TRUE(LinuxVolumes(m_dir.filePath(u"no table"_s)).mountPoints().isEmpty());
    // A table that is not the kernel's tells of no change: it is read at every call.
    const QString other = m_dir.filePath(u"volume two"_s);
    ASSERT_TRUE(QDir().mkpath(other));
    writeTable(mountLine(40, volume, "ext4") + mountLine(43, other, "ext4"));
    EXPECT_EQ(volumes.mountPoints(), (QStringList{volume, other}));
}

TEST_F(MountTableFiles, WatcherReportsEachNewMountOnce)
{
    const QString usb = u"/media/ann/USB KEY"_s;
    writeTable(kRoot + kHome);
    ProcMountWatcher watcher(m_table);
    std::vector<std::pair<QString, int>> got;
    watcher.setArrivalHandler(
        [&](const MountArrival& arrival) { got.emplace_back(arrival.mountPoint, arrival.flags); });

    watcher.check(); // the mounts there at the start are known
    EXPECT_TRUE(got.empty());
    writeTable(kRoot + kHome + mountLine(60, usb, "vfat") + kNfs);
    watcher.check();
    watcher.check(); // read again without a change: nothing more
    const std::vector<std::pair<QString, int>> expected = {
        {usb, 0}, {u"/mnt/share"_s, MountArrival::Network}};
    EXPECT_EQ(got, expected);

    // A handler taken away during a report stops the rest of it.
    writeTable(kRoot + kHome + mountLine(61, u"/a"_s, "ext4") + mountLine(62, u"/b"_s, "ext4"));
    got.clear();
    watcher.setArrivalHandler([&](const MountArrival& arrival) {
        got.emplace_back(arrival.mountPoint, arrival.flags);
        watcher.setArrivalHandler({});
    });
    watcher.check();
    EXPECT_EQ(got.size(), 1u);
}

TEST(ProcMountWatcher, WatchesTheKernelTableWithoutReportingExistingMounts)
{
    ProcMountWatcher watcher;
    int arrivals = 0;
    watcher.setArrivalHandler([&](const MountArrival&) { ++arrivals; });
    watcher.check();
    EXPECT_EQ(arrivals, 0);
    // Read once, then kept until the kernel tells of a change.
    const LinuxVolumes volumes;
    const QStringList points = volumes.mountPoints();
    EXPECT_FALSE(points.isEmpty());
    EXPECT_EQ(volumes.mountPoints(), points);
}

} // namespace
