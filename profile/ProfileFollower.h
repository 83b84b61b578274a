#pragma once

#include "profile/ProfileList.h"

#include <optional>
#include <string>

namespace pelan {

// Which profile of one device kind follows the application in front: the profile linked to it, else the list's
// fallback, else the profile last selected by hand. Asked only when the application in front changes, so a
// profile chosen by hand while a linked application is in front stays until the application changes.
class ProfileFollower {
public:
    // The index to select for `application` in `list`; nullopt when the list's selection is already the one.
    std::optional<int> profileFor(const ProfileList& list, const std::string& application);

private:
    // The identifier this follower selected last; a selection other than it was made by hand (the panel, the
    // tray, pelanctl).
    std::string followedId_;
    std::string handId_;
};

} // namespace pelan
