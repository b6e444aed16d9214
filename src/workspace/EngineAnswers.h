#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace orvanel::sidefiles {

// The side files the engines write for the panel to show, as decodeLines gives them.

// ipcp.txt: ipcp.exe writes the name it looked up and its address, the address last; an
// empty file says the name does not resolve. The address is the digits and dots of the
// last line, in order; nothing when the file has no line.
std::optional<QString> resolvedAddress(const QStringList& lines);

// portappli.txt: netstat.exe writes one line per listening port and the count of them
// last. The ports are the lines before the count.
QStringList applicationPorts(QStringList lines);

} // namespace orvanel::sidefiles
