#pragma once

#include "platform/MountWatcher.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>
#include <vector>

namespace orvanel::platform {

// The mount table the kernel keeps for this process.
inline constexpr const char* kMountInfoPath = "/proc/self/mountinfo";

// Pure readers of /proc/self/mountinfo, driven by samples in the tests.

// One line of mountinfo: "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw".
struct MountEntry
{
    int id = 0;
    int parentId = 0;
    QString root;       // the folder of the file system mounted here ("/" for all of it)
    QString mountPoint; // octal escapes (\040 …) undone
    QString fileSystem; // "ext4", "nfs4", "fuse.sshfs" …
    QString source;     // "/dev/sdb1", "server:/export" …

    bool operator==(const MountEntry&) const = default;
};

// A line of another shape gives nothing.
std::optional<MountEntry> parseMountInfoLine(std::string_view line);
// Every well-formed line, in the file's order (the order of mounting); others skipped.
std::vector<MountEntry> parseMountInfo(std::string_view text);

// Kernel file systems with no files of the user's on them: proc, sysfs, cgroup, tmpfs …
bool isPseudoFileSystem(QStringView fileSystem);
// File systems served over the network: nfs, cifs, smb3 …, and every fuse.* file system
// (sshfs, rclone, gvfs …) apart from block-device fuse (fuseblk: ntfs-3g, exfat).
bool isNetworkFileSystem(QStringView fileSystem);

// The volume listing: mount points of local real file systems, in mount order, each
// once. Network file systems are left out: listing a share whose server is gone can
// block for minutes, and the listing runs while the window waits.
QStringList volumeMountPoints(const std::vector<MountEntry>& mounts);

// The mounts of `after` that `before` did not have (by mount id), in mount order, with
// their flags: network for network file systems, media change for a mount over a mount
// point that `before` already had. Pseudo file systems are left out.
std::vector<MountArrival> mountArrivals(const std::vector<MountEntry>& before,
                                        const std::vector<MountEntry>& after);

} // namespace orvanel::platform
