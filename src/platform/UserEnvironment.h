#pragma once

#include <QString>

namespace orvanel::platform {

// Where the user's things are: special folders by their Windows folder numbers, the
// login name and the downloads folder.
class UserEnvironment
{
public:
    static constexpr int DesktopFolder = 16;
    static constexpr int CookiesFolder = 33;

    virtual ~UserEnvironment() = default;

    // 16 → the desktop folder; 33 → empty (Linux desktops keep no cookies folder);
    // any other number → empty.
    virtual QString specialFolder(int csidl) const = 0;
    virtual QString userName() const = 0;
    // The user's XDG download folder (default ~/Downloads) when it exists, else the root
    // of the file system that holds workspaceDir.
    virtual QString downloadsFolder(const QString& workspaceDir) const = 0;
    // The user's home folder.
    virtual QString homeFolder() const = 0;
};

} // namespace orvanel::platform
