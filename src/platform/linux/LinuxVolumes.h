#pragma once

#include "platform/Volumes.h"
#include "platform/linux/MountInfo.h"

#include <QByteArray>

#include <optional>

namespace orvanel::platform {

// Reads a mount table from an open descriptor, from its start. Nothing when the read
// fails or the table is larger than any real one (a cut table would lose mounts).
std::optional<QByteArray> readMountTable(int fd);

// Volumes from the kernel's mount table: local real file systems whose mount point is a
// folder (single files bound into a container are no volumes).
class LinuxVolumes final : public Volumes
{
public:
    explicit LinuxVolumes(QString mountInfoPath = QString::fromLatin1(kMountInfoPath));

    QStringList mountPoints() const override;
    bool isReady(const QString& mountPoint) const override;
    int listRoot(const QString& mountPoint) override;

private:
    QString m_mountInfoPath;
};

} // namespace orvanel::platform
