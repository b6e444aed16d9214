#pragma once

#include "platform/SingleInstanceLock.h"

#include <QString>

#include <vector>

namespace orvanel::platform {

// The single-instance lock as an exclusive flock on <runtime dir>/<name>. The kernel
// drops the lock when the process ends, however it ends, so a crash never leaves a
// stale lock behind.
class FlockSingleInstanceLock final : public SingleInstanceLock
{
public:
    // Besides the Windows codes: the runtime folder or the lock file is missing and
    // cannot be made, or another failure. Neither is a reason to refuse the start.
    static constexpr int PathNotFound = 3;
    static constexpr int GeneralFailure = 31;

    // runtimeDir empty: the user's runtime directory (see defaultRuntimeDir).
    explicit FlockSingleInstanceLock(QString runtimeDir = {});
    ~FlockSingleInstanceLock() override;
    FlockSingleInstanceLock(const FlockSingleInstanceLock&) = delete;
    FlockSingleInstanceLock& operator=(const FlockSingleInstanceLock&) = delete;

    int acquire(const QString& name) override;

    // $XDG_RUNTIME_DIR when it is set to an absolute path, else the private folder
    // orvanel-<uid> under /tmp.
    static QString defaultRuntimeDir();
    // Makes base/orvanel-<uid> (mode 0700) when missing and answers its path, or the
    // empty string when the folder there is not a real folder of this user that only
    // this user may enter: someone else could then hold or swap the lock file.
    static QString privateFolderUnder(const QString& base);

private:
    QString m_runtimeDir;
    std::vector<int> m_fds;
};

} // namespace orvanel::platform
