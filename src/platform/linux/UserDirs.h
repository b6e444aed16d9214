#pragma once

#include <QString>

#include <optional>

namespace orvanel::platform {

// One folder of an xdg-user-dirs file (user-dirs.dirs), such as XDG_DESKTOP_DIR:
//   XDG_DESKTOP_DIR="$HOME/Desktop"
// The value is "$HOME" followed by a path, or an absolute path; anything else is not a
// folder the desktop would use. Nothing when the key is missing or its value unusable.
std::optional<QString> userDirFromText(QStringView text, QStringView key, const QString& home);

} // namespace orvanel::platform
