#include "platform/ActiveApplication.h"

#include <utility>

namespace pelan {
namespace {

// Where no desktop backend can tell which window is in front.
class UnavailableWatch : public ActiveApplicationWatch {
public:
    explicit UnavailableWatch(std::string reason) : reason_(std::move(reason)) {}
    std::string unavailableReason() const override { return reason_; }
    int fd() const override { return -1; }
    bool takeChanges() override { return false; }
    std::string activeApplication() const override { return {}; }
    std::vector<std::string> applications() const override { return {}; }

private:
    std::string reason_;
};

} // namespace

std::unique_ptr<ActiveApplicationWatch> ActiveApplicationWatch::forThisSession() {
    return std::make_unique<UnavailableWatch>("no supported desktop found");
}

} // namespace pelan
