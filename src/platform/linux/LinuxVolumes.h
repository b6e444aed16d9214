#pragma once

#include "platform/Volumes.h"
#include "platform/linux/MountInfo.h"

#include <QByteArray>
#include <QStringList>

#include <optional>

namespace orvanel::platform {

// Reads a mount table from an open descriptor, from its start. Nothing when the read
// fails or the table is larger than any real one (a cut table would lose mounts).
std::optional<QByteArray> readMountTable(int fd);

// Volumes from the kernel's mount table: local real file systems whose mount point is a
// folder (single files bound into a container are no volumes). The kernel's table is kept
// open: it tells of any change since it was last looked at, so the volumes are read again
// only after mounts changed. Any other table file is read at every call.
class LinuxVolumes final : public Volumes
{
public:
    explicit LinuxVolumes(QString mountInfoPath = QString::fromLatin1(kMountInfoPath));
    ~LinuxVolumes() override;
    LinuxVolumes(const LinuxVolumes&) = delete;
    LinuxVolumes& operator=(const LinuxVolumes&) = delete;

    QStringList mountPoints() const override;
    bool isReady(const QString& mountPoint) const override;
    int listRoot(const QString& mountPoint) override;

private:
    QString m_mountInfoPath;
    mutable int m_kernelTable = -1;
    mutable std::optional<QStringList> m_points; // as read from the kernel's table
};

} // namespace orvanel::platform
