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

    // Where the users' home folders lie ("/home") and the mount table that tells which
    // file system holds a folder; tests point both at their own files.
    void setHomesRoot(QString homesRoot) { m_homesRoot = std::move(homesRoot); }
    void setMountInfoPath(QString path) { m_mountInfo = std::move(path); }

    QString home() const { return m_home; }
    QString configDir() const { return m_configDir; }

private:
    QString desktopFolder() const;

    QString m_home;
    QString m_configDir;
    QString m_homesRoot = QStringLiteral("/home");
    QString m_mountInfo = QStringLiteral("/proc/self/mountinfo");
};

} // namespace orvanel::platform
