#pragma once

#include <QString>

namespace orvanel::platform {

// Whether a program is there. Missing only when every place it could be was looked at
// and found empty; a place that could not be looked at (no permission, a relative path)
// makes the answer Unknown, and nothing is removed on an Unknown.
enum class Presence { Present, Missing, Unknown };

// What the clean-up looks at before it calls a start-up entry or a desktop shortcut dead.
class ProgramCheck
{
public:
    virtual ~ProgramCheck() = default;

    // The program of a start-up command line, found as a session would start it.
    virtual Presence commandPresence(const QString& commandLine) const = 0;

    // Whether a desktop shortcut, given as the text of its file, leads nowhere: an
    // application whose program is missing or that has nothing to start, or a link to a
    // local file that is missing. Web links, folders and text that is no desktop entry
    // lead somewhere as far as we can tell.
    virtual bool shortcutLeadsNowhere(const QString& entryText) const = 0;
};

} // namespace orvanel::platform
