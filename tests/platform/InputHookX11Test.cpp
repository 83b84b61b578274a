// The X11 input hook on a private Xvfb server, with keys and buttons injected through XTest.
#include "platform/InputHook.h"
#include "support/PrivateXServer.h"

#include <gtest/gtest.h>
// After GoogleTest: Xlib's macros (None, Bool, ...) would clash with its names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <poll.h>
#include <vector>

namespace pelan {
namespace {

constexpr unsigned kXRightCtrl = 97 + 8; // X key codes: Linux key code + 8
constexpr unsigned kXKeyA = 30 + 8;

struct Report {
    uint32_t message;
    uint32_t code; // scan code of a key, mouse data of a button
    uint32_t flags;
    int32_t x;
    int32_t y;
    bool operator==(const Report&) const = default;
};

class X11InputHookTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PrivateXServer::installed())
            GTEST_SKIP() << "Xvfb is not installed, so the X11 input hook is not tested";
        server_ = std::make_unique<PrivateXServer>();
        ASSERT_FALSE(server_->display().empty()) << "Xvfb did not start";
        injector_ = XOpenDisplay(server_->display().c_str());
        ASSERT_NE(injector_, nullptr);
        std::unique_ptr<InputHookBackend> backend = connectX11InputHook(server_->display().c_str());
        ASSERT_NE(backend, nullptr);
        hook_ = std::make_unique<CDeviceHook>(std::move(backend));
    }
    void TearDown() override {
        hook_.reset();
        if (injector_ != nullptr)
            XCloseDisplay(injector_);
    }

    int install() {
        CDeviceHook::Target target;
        target.key = [this](int, uint32_t transition, const HookKeyRecord& r) {
            reports_.push_back({transition, r.scanCode, r.flags, 0, 0});
        };
        target.mouse = [this](int, uint32_t message, const HookMouseRecord& r) {
            reports_.push_back({message, r.mouseData, 0, r.x, r.y});
        };
        return hook_->install(HookMode::Macro, target, true, true);
    }

    void tapKey(unsigned keycode) {
        XTestFakeKeyEvent(injector_, keycode, True, 0);
        XTestFakeKeyEvent(injector_, keycode, False, 0);
        XSync(injector_, False);
    }

    // Dispatches the hook's events until `count` reports arrived or five seconds passed.
    void collect(size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (reports_.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd entry{hook_->backend().eventDescriptor(), POLLIN, 0};
            ::poll(&entry, 1, 100);
            hook_->backend().dispatchEvents();
        }
    }

    std::unique_ptr<PrivateXServer> server_;
    Display* injector_ = nullptr;
    std::unique_ptr<CDeviceHook> hook_;
    std::vector<Report> reports_;
};

// The idle time the window's watchdog reads starts at the install and again at every event.
TEST(InputHookIdleTime, CountsFromTheInstallAndTheLastEvent) {
    uint64_t now = 1000;
    auto backend = std::make_unique<RecordingInputHook>();
    RecordingInputHook& events = *backend;
    CDeviceHook hook(std::move(backend), [&now] { return now; });
    ASSERT_EQ(hook.install(HookMode::Macro, {}, true, true), 1);
    now = 1500;
    EXPECT_EQ(hook.idleMilliseconds(), 500u);
    ASSERT_TRUE(events.key(30, true));
    now = 1700;
    EXPECT_EQ(hook.idleMilliseconds(), 200u);
    ASSERT_TRUE(events.button(kButtonLeft, true));
    EXPECT_EQ(hook.idleMilliseconds(), 0u);
}

TEST_F(X11InputHookTest, KeysAndButtonsArriveAsTheirMessagesWithPcScanCodes) {
    ASSERT_EQ(install(), 1);
    tapKey(kXRightCtrl);
    tapKey(kXKeyA);
    XTestFakeMotionEvent(injector_, 0, 100, 120, 0);
    XTestFakeButtonEvent(injector_, 1, True, 0);
    XTestFakeButtonEvent(injector_, 1, False, 0);
    XTestFakeButtonEvent(injector_, 8, True, 0);
    XTestFakeButtonEvent(injector_, 9, False, 0);
    XTestFakeButtonEvent(injector_, 4, True, 0); // a wheel step is no button message
    XSync(injector_, False);
    collect(8);
    EXPECT_EQ(reports_, (std::vector<Report>{{0x100, 0x1D, 0x01, 0, 0},
                                             {0x101, 0x1D, 0x81, 0, 0},
                                             {0x100, 0x1E, 0x00, 0, 0},
                                             {0x101, 0x1E, 0x80, 0, 0},
                                             {0x201, 0, 0, 100, 120},
                                             {0x202, 0, 0, 100, 120},
                                             {0x20B, 1u << 16, 0, 100, 120},
                                             {0x20C, 2u << 16, 0, 100, 120}}));
}

TEST_F(X11InputHookTest, KeysReachNoOtherClientWhileInstalled) {
    Display* other = XOpenDisplay(server_->display().c_str());
    ASSERT_NE(other, nullptr);
    const Window window = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 50, 50, 0, 0, 0);
    XSelectInput(other, window, KeyPressMask);
    XMapWindow(other, window);
    XSync(other, False);
    XSetInputFocus(other, window, RevertToParent, CurrentTime);
    XSync(other, False);
    XEvent event;

    ASSERT_EQ(install(), 1);
    tapKey(kXKeyA);
    collect(2);
    EXPECT_EQ(reports_.size(), 2u);
    XSync(other, False);
    EXPECT_FALSE(XCheckTypedWindowEvent(other, window, KeyPress, &event));

    hook_->remove();
    tapKey(kXKeyA);
    XSync(other, False);
    EXPECT_TRUE(XCheckTypedWindowEvent(other, window, KeyPress, &event)) << "the key should reach it again";
    XCloseDisplay(other);
}

TEST_F(X11InputHookTest, KeyboardHeldByAnotherClientFailsTheInstall) {
    Display* other = XOpenDisplay(server_->display().c_str());
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(XGrabKeyboard(other, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync, CurrentTime),
              GrabSuccess);
    XSync(other, False);
    EXPECT_EQ(install(), 0);
    EXPECT_FALSE(hook_->installed());
    XCloseDisplay(other);
}

} // namespace
} // namespace pelan
