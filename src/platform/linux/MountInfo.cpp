#include "platform/linux/MountInfo.h"

#include "platform/linux/ProcText.h"

#include <QSet>

#include <charconv>

using namespace Qt::StringLiterals;

namespace orvanel::platform {

namespace {

std::optional<int> number(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The fields of a line, split at blanks (the kernel escapes blanks inside fields).
std::vector<std::string_view> fieldsOf(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t end = std::min(line.find(' ', at), line.size());
        if (end > at)
            fields.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    return fields;
}

bool oneOf(QStringView fileSystem, std::initializer_list<QLatin1StringView> names)
{
    for (const QLatin1StringView name : names) {
        if (fileSystem == name)
            return true;
    }
    return false;
}

} // namespace

std::optional<MountEntry> parseMountInfoLine(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    const std::vector<std::string_view> fields = fieldsOf(line);
    // id parent major:minor root mount-point options [optional fields …] - type source …
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-")
        ++separator;
    if (separator + 1 >= fields.size())
        return std::nullopt;
    const auto id = number(fields[0]);
    const auto parent = number(fields[1]);
    if (!id || !parent || fields[4].empty() || fields[4].front() != '/')
        return std::nullopt;
    MountEntry entry;
    entry.id = *id;
    entry.parentId = *parent;
    entry.root = unescapeMountField(fields[3]);
    entry.mountPoint = unescapeMountField(fields[4]);
    entry.fileSystem = unescapeMountField(fields[separator + 1]);
    if (separator + 2 < fields.size())
        entry.source = unescapeMountField(fields[separator + 2]);
    return entry;
}

std::vector<MountEntry> parseMountInfo(std::string_view text)
{
    std::vector<MountEntry> mounts;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        if (auto entry = parseMountInfoLine(text.substr(at, end - at)))
            mounts.push_back(std::move(*entry));
        at = end + 1;
    }
    return mounts;
}

bool isPseudoFileSystem(QStringView fileSystem)
{
    return oneOf(fileSystem, {"proc"_L1,    "sysfs"_L1,       "cgroup"_L1,     "cgroup2"_L1,
                              "tmpfs"_L1,   "devtmpfs"_L1,    "devpts"_L1,     "mqueue"_L1,
                              "debugfs"_L1, "tracefs"_L1,     "securityfs"_L1, "pstore"_L1,
                              "bpf"_L1,     "configfs"_L1,    "fusectl"_L1,    "hugetlbfs"_L1,
                              "autofs"_L1,  "binfmt_misc"_L1, "efivarfs"_L1,   "rpc_pipefs"_L1,
                              "nsfs"_L1,    "ramfs"_L1,       "selinuxfs"_L1,  "nfsd"_L1,
                              "sockfs"_L1,  "pipefs"_L1,      "fuse.lxcfs"_L1, "fuse.portal"_L1});
}

bool isNetworkFileSystem(QStringView fileSystem)
{
    if (fileSystem.startsWith("fuse."_L1))
        return true;
    return oneOf(fileSystem, {"nfs"_L1, "nfs4"_L1, "cifs"_L1, "smb3"_L1, "smbfs"_L1, "ncpfs"_L1,
                              "afs"_L1, "ceph"_L1, "glusterfs"_L1, "9p"_L1, "davfs"_L1, "coda"_L1,
                              "lustre"_L1, "sshfs"_L1});
}

QStringList volumeMountPoints(const std::vector<MountEntry>& mounts)
{
    QStringList points;
    for (const MountEntry& mount : mounts) {
        if (!isPseudoFileSystem(mount.fileSystem) && !isNetworkFileSystem(mount.fileSystem) &&
            !points.contains(mount.mountPoint))
            points.append(mount.mountPoint);
    }
    return points;
}

std::vector<MountArrival> mountArrivals(const std::vector<MountEntry>& before,
                                        const std::vector<MountEntry>& after)
{
    // Mount ids are used again after an unmount: a mount is known by its id and place.
    const auto key = [](const MountEntry& mount) -> QString {
        return QString::number(mount.id) + u'\0' + mount.mountPoint;
    };
    QSet<QString> known;
    QSet<QString> knownPoints;
    for (const MountEntry& mount : before) {
        known.insert(key(mount));
        knownPoints.insert(mount.mountPoint);
    }
    std::vector<MountArrival> arrivals;
    for (const MountEntry& mount : after) {
        if (known.contains(key(mount)) || isPseudoFileSystem(mount.fileSystem))
            continue;
        int flags = 0;
        if (knownPoints.contains(mount.mountPoint))
            flags |= MountArrival::MediaChange;
        if (isNetworkFileSystem(mount.fileSystem))
            flags |= MountArrival::Network;
        arrivals.push_back({mount.mountPoint, mount.fileSystem, flags});
    }
    return arrivals;
}

} // namespace orvanel::platform
