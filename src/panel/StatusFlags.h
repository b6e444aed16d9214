#pragma once

#include <QString>

namespace orvanel {

struct PanelState;

// The status flags line handed to netpro.exe: thirteen switches, each as a blank and
// "1" or "0", so the line starts with a blank and is 26 characters long. The order is
// the one netpro.exe reads: firewall, FTP, TELNET, SMTP, DNS, HTTP, HTTPS, POP3,
// Internet, network check, network choice, site filter (Champ7), ctrlpl.
QString statusFlagsLine(const PanelState& state);

} // namespace orvanel
