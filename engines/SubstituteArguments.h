#pragma once

// How the substitute engines understand the argument strings the panel gives them. The
// panel splits its string at blanks (double quotes group), so the words arrive one by one.

#include <optional>
#include <string>
#include <vector>

namespace orvanel::substitutes {

using Args = std::vector<std::string>;

// The words from `from` on joined by single blanks again: a path or a message that held
// blanks comes back whole.
std::string joined(const Args& args, std::size_t from = 0);

// Text for a one-line record: control characters become blanks, at most maxLength bytes.
std::string oneLine(std::string text, std::size_t maxLength);

// Without the blanks, tabs and line ends at either end.
std::string trimmed(const std::string& text);

// netpro.exe: the line of netpro.txt recording the status flags it was given, each word
// after a blank, at most 32 words of at most 8 bytes.
std::string statusFlagsRecord(const Args& args);

// ipcp.exe: the host name to look up, the words joined and trimmed; nothing when that is
// no host name (letters, digits, "-", "_" and "." only, at most 253 of them), so that
// nothing else the user typed reaches the name servers.
std::optional<std::string> resolverHost(const Args& args);

// msgs.exe: the text to show, the panel's ";" turned back into blanks, on one line of at
// most 500 bytes; empty when nothing is left to show.
std::string notificationText(const Args& args);

} // namespace orvanel::substitutes
