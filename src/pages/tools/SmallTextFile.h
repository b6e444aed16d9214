#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace orvanel::tools {

// The lines of a small text file that an engine or the installation left in the
// workspace (ipcp.txt, the link files). Only a regular file is read, and at most
// `maxBytes` of it: a folder, a pipe or a device put in its place is no answer, and a
// runaway file cannot fill the panel's memory. Line ends and encodings are those of the
// side files. Nothing when the file is missing, not regular or cannot be read.
std::optional<QStringList> readSmallTextFile(const QString& path, qint64 maxBytes);

} // namespace orvanel::tools
