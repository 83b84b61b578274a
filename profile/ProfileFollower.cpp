#include "profile/ProfileFollower.h"

#include <algorithm>

namespace pelan {
namespace {

int indexOf(const ProfileList& list, const std::string& id) {
    const std::vector<ProfileItem>& items = list.items();
    const auto found = std::find_if(items.begin(), items.end(), [&](const ProfileItem& item) { return item.id == id; });
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

} // namespace

std::optional<int> ProfileFollower::profileFor(const ProfileList& list, const std::string& application) {
    const std::string current = list.getCurrentProfileId();
    if (current.empty())
        return std::nullopt;
    if (current != followedId_)
        handId_ = current;
    int target = list.linkedProfile(application);
    if (target < 0)
        target = list.getLinkFallback();
    if (target < 0)
        target = indexOf(list, handId_);
    if (target < 0)
        return std::nullopt;
    followedId_ = list.items()[static_cast<std::size_t>(target)].id;
    if (followedId_ == current)
        return std::nullopt;
    return target;
}

} // namespace pelan
