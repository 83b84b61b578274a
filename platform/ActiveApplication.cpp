#include "platform/ActiveApplication.h"

#include "platform/ActiveApplicationBackends.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/eventfd.h>
#include <unistd.h>

namespace pelan {
namespace {

class UnavailableActiveApplication : public ActiveApplicationWatch {
public:
    explicit UnavailableActiveApplication(std::string reason) : reason_(std::move(reason)) {}
    std::string unavailableReason() const override { return reason_; }
    int fd() const override { return -1; }
    bool takeChanges() override { return false; }
    std::string activeApplication() const override { return {}; }
    std::vector<std::string> applications() const override { return {}; }

private:
    std::string reason_;
};

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// KDE names itself in XDG_CURRENT_DESKTOP, a colon-separated list ("KDE"); older sessions set KDE_FULL_SESSION.
bool isKdeSession() {
    std::istringstream desktops(environment("XDG_CURRENT_DESKTOP"));
    std::string desktop;
    while (std::getline(desktops, desktop, ':'))
        if (desktop == "KDE")
            return true;
    return environment("KDE_FULL_SESSION") == "true";
}

// Length of the UTF-8 sequence that `lead` starts, 0 when it cannot start one.
size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

bool isUtf8WithoutControls(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x20 || lead == 0x7F)
            return false;
        const size_t length = sequenceLength(lead);
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

} // namespace

std::unique_ptr<ActiveApplicationWatch> unavailableActiveApplication(std::string reason) {
    return std::make_unique<UnavailableActiveApplication>(std::move(reason));
}

// Under Wayland the X server (Xwayland) sees only the windows of X programs, so it is never asked there.
std::unique_ptr<ActiveApplicationWatch> ActiveApplicationWatch::forThisSession() {
    if (!environment("WAYLAND_DISPLAY").empty()) {
        std::unique_ptr<ActiveApplicationWatch> wlroots = connectWlrootsActiveApplication("");
        if (wlroots->unavailableReason().empty() || !isKdeSession())
            return wlroots;
        return serveKWinActiveApplication();
    }
    if (!environment("DISPLAY").empty())
        return connectX11ActiveApplication("");
    return unavailableActiveApplication("no desktop session: neither WAYLAND_DISPLAY nor DISPLAY is set");
}

const std::string& thisProgramsApplicationId() {
    static const std::string id = [] {
        std::error_code error;
        const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
        return error ? std::string() : program.filename().string();
    }();
    return id;
}

bool isAcceptableApplicationId(const std::string& id) {
    return id.size() <= kMaxApplicationIdLength && isUtf8WithoutControls(id);
}

std::vector<std::string> distinctApplications(std::vector<std::string> ids) {
    std::erase(ids, std::string());
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

void quietLostConnection(int fd) {
    if (fd < 0)
        return;
    const int quiet = ::eventfd(0, EFD_CLOEXEC);
    if (quiet < 0)
        return;
    ::dup3(quiet, fd, O_CLOEXEC);
    ::close(quiet);
}

} // namespace pelan
