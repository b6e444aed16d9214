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

    // $XDG_RUNTIME_DIR when it is set to an absolute path, else fallbackRuntimeDir over
    // /tmp and the user's cache folder; empty when the folder cannot be used (refusal
    // says why).
    static QString defaultRuntimeDir(QString* refusal = nullptr);
    // Without XDG_RUNTIME_DIR: the private folder orvanel-<uid> under `tmp`; when another
    // user has taken that name first, <cacheHome>/orvanel/runtime-<host name>, which no
    // other user can make (one per machine, since a home folder may be shared by several
    // machines and their locks must not meet). Empty when neither can be used.
    static QString fallbackRuntimeDir(const QString& tmp, const QString& cacheHome,
                                      QString* refusal = nullptr);
    // Why the folder must not hold the lock: a link, no folder, another user's, or one
    // that others can write. Empty when it may, or when it does not exist.
    static QString folderRefusal(const QString& folder);
    // Makes base/orvanel-<uid> (mode 0700) when missing and answers its path, or the
    // empty string when the folder there is not a real folder of this user that only
    // this user may enter: someone else could then hold or swap the lock file.
    static QString privateFolderUnder(const QString& base);
    // Makes `folder` (mode 0700) when missing, and answers whether it is then a real folder
    // of this user that only this user may enter.
    static bool makePrivateFolder(const QString& folder);

private:
    QString m_runtimeDir;
    QString m_refusal;
    std::vector<int> m_fds;
};

} // namespace orvanel::platform
