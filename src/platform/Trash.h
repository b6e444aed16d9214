#pragma once

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
};

} // namespace orvanel::platform
