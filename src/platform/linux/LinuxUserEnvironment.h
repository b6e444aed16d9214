#pragma once

#include "platform/UserEnvironment.h"

namespace orvanel::platform {

// The user's folders and login name on a Linux desktop.
class LinuxUserEnvironment final : public UserEnvironment
{
public:
    // home empty: $HOME (or the password database's home); configDir empty:
    // $XDG_CONFIG_HOME, or <home>/.config.
    explicit LinuxUserEnvironment(QString home = {}, QString configDir = {});

    QString specialFolder(int csidl) const override;
    QString userName() const override;
    QString downloadsFolder(const QString& workspaceDir) const override;
    QString homeFolder() const override { return m_home; }

    // The mount table that tells which file system holds a folder; tests point it at
    // their own file.
    void setMountInfoPath(QString path) { m_mountInfo = std::move(path); }

    QString home() const { return m_home; }
    QString configDir() const { return m_configDir; }

private:
    // A folder of user-dirs.dirs (XDG_DESKTOP_DIR …), else <home>/<fallback>.
    QString userDir(QStringView key, const QString& fallback) const;

    QString m_home;
    QString m_configDir;
    QString m_mountInfo = QStringLiteral("/proc/self/mountinfo");
};

} // namespace orvanel::platform
