#pragma once

#include "emulator/CommandReport.h"
#include "emulator/FirmwareDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <utility>
#include <vector>

namespace pelan::emu::test {

// Collects what a device sends towards the host.
class RecordingHost : public HostLink {
public:
    struct Input {
        int interfaceNumber;
        std::vector<uint8_t> report;
        std::chrono::milliseconds delay;
    };

    void sendInput(int interfaceNumber, std::vector<uint8_t> report, std::chrono::milliseconds delay) override {
        std::lock_guard lock(mutex_);
        inputs_.push_back({interfaceNumber, std::move(report), delay});
    }
    void unplugSelf() override {
        std::lock_guard lock(mutex_);
        ++unplugs_;
    }

    std::vector<Input> takeInputs() {
        std::lock_guard lock(mutex_);
        return std::exchange(inputs_, {});
    }
    int unplugs() const {
        std::lock_guard lock(mutex_);
        return unplugs_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Input> inputs_;
    int unplugs_ = 0;
};

// Sends one request to the device's command interface and returns the replies it produced.
inline std::vector<RecordingHost::Input> send(FirmwareDevice& device, RecordingHost& host,
                                              const CommandReport& request) {
    device.handleOutput(device.commandInterface(), request, host);
    return host.takeInputs();
}

// Sends one request and returns its single reply; fails the test when there is not exactly one.
inline CommandReport roundTrip(FirmwareDevice& device, const CommandReport& request) {
    RecordingHost host;
    const auto replies = send(device, host, request);
    CommandReport reply{};
    if (replies.size() == 1 && replies[0].report.size() == kCommandReportSize) {
        std::copy(replies[0].report.begin(), replies[0].report.end(), reply.begin());
    } else {
        ADD_FAILURE() << "expected one 64-byte reply, got " << replies.size();
    }
    return reply;
}

inline std::vector<uint8_t> dataOf(const CommandReport& reply, size_t length) {
    return {reply.begin() + kCommandDataOffset,
            reply.begin() + kCommandDataOffset + static_cast<std::ptrdiff_t>(length)};
}

} // namespace pelan::emu::test
