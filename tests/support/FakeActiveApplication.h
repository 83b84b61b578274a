#pragma once

#include "platform/ActiveApplication.h"

#include <algorithm>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace pelan::test {

// An ActiveApplicationWatch a test drives: activate() brings an application to the front and wakes whoever waits
// on fd(), as a desktop backend does when its compositor or X server reports a change.
class FakeActiveApplication : public ActiveApplicationWatch {
public:
    FakeActiveApplication() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~FakeActiveApplication() override {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FakeActiveApplication(const FakeActiveApplication&) = delete;
    FakeActiveApplication& operator=(const FakeActiveApplication&) = delete;

    void activate(const std::string& application) {
        active_ = application;
        if (std::find(applications_.begin(), applications_.end(), application) == applications_.end()) {
            applications_.push_back(application);
            std::sort(applications_.begin(), applications_.end());
        }
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
        unread_ = true;
    }
    // Whether the last activation is still to be read by the watch's owner.
    bool unread() const { return unread_; }

    // A watch that cannot tell, for this reason.
    void setUnavailable(std::string reason) { reason_ = std::move(reason); }

    std::string unavailableReason() const override { return reason_; }
    int fd() const override { return fd_; }
    bool takeChanges() override {
        uint64_t count = 0;
        unread_ = false;
        return ::read(fd_, &count, sizeof count) == ssize_t(sizeof count) && count > 0;
    }
    std::string activeApplication() const override { return active_; }
    std::vector<std::string> applications() const override { return applications_; }

private:
    int fd_;
    std::string active_;
    std::vector<std::string> applications_;
    std::string reason_;
    bool unread_ = false;
};

} // namespace pelan::test
