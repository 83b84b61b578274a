#include "app/OpenRetry.h"

namespace pelan {

void OpenRetryList::add(int slot, const SupportedDeviceEntry& entry) {
    waiting_[slot] = Waiting{entry, 0};
}

void OpenRetryList::remove(int slot) {
    waiting_.erase(slot);
}

OpenRetryList::Outcome
OpenRetryList::retry(const std::function<bool(int slot, const SupportedDeviceEntry& entry)>& open) {
    Outcome outcome;
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        const int slot = it->first;
        if (open(slot, it->second.entry)) {
            outcome.opened.push_back(slot);
            it = waiting_.erase(it);
        } else if (++it->second.attempts >= kMaxAttempts) {
            outcome.givenUp.push_back(slot);
            it = waiting_.erase(it);
        } else {
            ++it;
        }
    }
    return outcome;
}

} // namespace pelan
