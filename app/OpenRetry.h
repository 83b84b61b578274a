#pragma once

#include "device/SupportedDevices.h"

#include <chrono>
#include <functional>
#include <map>
#include <vector>

namespace pelan {

// Command interfaces that could not be opened right after their device arrived. The device node appears before
// udev has given the user access to it, so an open refused at arrival is tried again for a few seconds.
class OpenRetryList {
public:
    static constexpr std::chrono::milliseconds kRetryPeriod{200};
    static constexpr int kMaxAttempts = 25; // five seconds of retries

    // A slot whose open failed, with a copy of its entry as it was at arrival (the scan thread may rewrite the slot
    // itself at any time); it is tried again on the next retry.
    void add(int slot, const SupportedDeviceEntry& entry);
    // The slot's device went away (or opened some other way): no more retries for it.
    void remove(int slot);
    bool contains(int slot) const { return waiting_.count(slot) != 0; }
    bool empty() const { return waiting_.empty(); }

    struct Outcome {
        std::vector<int> opened;  // open succeeded this time
        std::vector<int> givenUp; // used up their attempts
    };
    // Tries every waiting slot once; slots that open, or that have used up their attempts, leave the list.
    Outcome retry(const std::function<bool(int slot, const SupportedDeviceEntry& entry)>& open);

private:
    struct Waiting {
        SupportedDeviceEntry entry;
        int attempts = 0;
    };
    std::map<int, Waiting> waiting_;
};

} // namespace pelan
