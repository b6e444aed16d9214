#pragma once

#include <QString>

namespace orvanel::platform {

// The user's trash (the recycle bin of every drive): the clean-up page empties it.
class Trash
{
public:
    virtual ~Trash() = default;

    // Deletes everything the user has put in any of the user's trash folders. Answers
    // false when something could not be deleted; what could be deleted is gone all the
    // same.
    virtual bool empty() = 0;

    // Moves the file (a link as itself) into the user's trash, with the record of where it
    // came from, so that the user can bring it back. False, with the file left where it
    // is, when it cannot be moved there.
    virtual bool moveToTrash(const QString& path) = 0;
};

} // namespace orvanel::platform
