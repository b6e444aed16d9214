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

    // Why the last acquire answered AccessDenied without trying the lock: the runtime
    // folder is not one only this user can write (another user made it, or opened it up).
    // Empty otherwise. Such a refusal is no second instance: the start must say so.
    const QString& refusal() const { return m_refusal; }

    // $XDG_RUNTIME_DIR when it is set to an absolute path, else the private folder
    // orvanel-<uid> under /tmp; empty when that folder cannot be used (refusal says why).
    static QString defaultRuntimeDir(QString* refusal = nullptr);
    // Why the folder must not hold the lock: a link, no folder, another user's, or one
    // that others can write. Empty when it may, or when it does not exist.
    static QString folderRefusal(const QString& folder);
    // Makes base/orvanel-<uid> (mode 0700) when missing and answers its path, or the
    // empty string when the folder there is not a real folder of this user that only
    // this user may enter: someone else could then hold or swap the lock file.
    static QString privateFolderUnder(const QString& base);

private:
    QString m_runtimeDir;
    QString m_refusal;
    std::vector<int> m_fds;
};

} // namespace orvanel::platform
