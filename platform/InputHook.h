#pragma once

#include "platform/Clock.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

// Input hooks: every key and mouse-button event of the desktop (or, where the desktop gives no global input, of the
// program's own window) reported to the program while a hook is installed, with typed keys kept from other
// programs. The reports carry the shapes the macro recorder and the key capture read: a key transition with a
// keyboard record, a mouse message with a mouse record.
namespace pelan {

// What the installed hook is for; it decides the window message each report arrives as.
namespace HookMode {
inline constexpr int None = 0;
inline constexpr int SingleKey = 1;     // key capture of the key set panel
inline constexpr int HitKey = 2;        // not used by any panel
inline constexpr int Macro = 4;         // record at the end of the event list
inline constexpr int MacroBefore = 8;   // record above the selected row
inline constexpr int MacroAfter = 16;   // record below the selected row
inline constexpr int MacroReplace = 32; // replace the selected row's key or button
} // namespace HookMode

// Key transitions (the wParam of a keyboard report).
inline constexpr uint32_t kHookKeyDown = 0x100;
inline constexpr uint32_t kHookKeyUp = 0x101;
inline constexpr uint32_t kHookSysKeyDown = 0x104;

inline constexpr uint32_t kHookKeyExtendedFlag = 0x01;
inline constexpr uint32_t kHookKeyUpFlag = 0x80;

// The keyboard record of a report (the lParam): virtual-key code, PC set-1 scan code without prefix, flags
// (bit 0 extended key, bit 7 released), time in ms.
struct HookKeyRecord {
    uint32_t vkCode = 0;
    uint32_t scanCode = 0;
    uint32_t flags = 0;
    uint32_t time = 0;
    uint64_t extraInfo = 0;
};
static_assert(sizeof(HookKeyRecord) == 24);

// The mouse record of a report (the lParam): pointer position in screen coordinates first, and the mouse data word
// at byte offset 20 with the X button number in its high half (1 back, 2 forward).
struct HookMouseRecord {
    int32_t x = 0;
    int32_t y = 0;
    uint32_t window = 0;
    uint32_t hitTestCode = 0;
    uint32_t extraInfo = 0;
    uint32_t mouseData = 0;
};
static_assert(offsetof(HookMouseRecord, mouseData) == 20);

// Virtual-key codes of the lock keys, which act on the desktop even while a hook keeps keys to itself.
inline constexpr uint32_t kVkCapsLock = 20;
inline constexpr uint32_t kVkNumLock = 144;
inline constexpr uint32_t kVkScrollLock = 145;
bool isLockKey(uint32_t vkCode);

// The language key of the message that tells the user a hook could not be installed.
inline constexpr const char* kHookRefusedMessage = "hook_refused_text";

// The registered message names of the hook reports for a mode; null for modes that report no such events.
const char* hookKeyboardMessageName(int mode);
const char* hookMouseMessageName(int mode);

// What a Linux key code (evdev) reports: set-1 scan code, extended bit and virtual-key code; nothing for keys a
// PC keyboard does not have.
struct HookKeyCode {
    uint8_t scanCode = 0;
    bool extended = false;
    uint8_t vkCode = 0;
};
std::optional<HookKeyCode> hookKeyCodeOfEvdev(uint32_t evdevCode);
// The keyboard record of a key with this evdev code, or nothing.
std::optional<HookKeyRecord> hookKeyRecordOfEvdev(uint32_t evdevCode, bool down, uint32_t timeMs);

// Linux button numbers as the X server and Qt number them, and the mouse message of a press or release; nothing for
// wheel steps and buttons without a message.
inline constexpr uint32_t kButtonLeft = 1;
inline constexpr uint32_t kButtonMiddle = 2;
inline constexpr uint32_t kButtonRight = 3;
inline constexpr uint32_t kButtonBack = 8;
inline constexpr uint32_t kButtonForward = 9;
struct HookMouseEvent {
    uint32_t message = 0;
    HookMouseRecord record;
};
std::optional<HookMouseEvent> hookMouseEventOfButton(uint32_t button, bool down, int32_t x, int32_t y);

// Where a backend's events go, on whatever thread the backend reads them. A call returns once the event is handled.
struct HookEventHandlers {
    std::function<void(uint32_t transition, const HookKeyRecord&)> key;
    std::function<void(uint32_t message, const HookMouseRecord&)> mouse;
};

// One way of getting the events: the X server, the program's own window, or a recording stand-in.
class InputHookBackend {
public:
    virtual ~InputHookBackend() = default;
    virtual std::string_view name() const = 0;
    // False when the events come only from the program's own window (the user is told so).
    virtual bool capturesDesktop() const = 0;
    // Starts delivering key events (and keeping keys from other programs) and mouse-button events. False when the
    // keyboard part cannot be had; nothing is then delivered.
    virtual bool start(bool keyboard, bool mouse, HookEventHandlers handlers) = 0;
    // Stops delivering; once it returns no handler runs any more.
    virtual void stop() = 0;
    // A descriptor that becomes readable when events wait for dispatchEvents, which the owner calls on its own
    // thread; -1 for backends that deliver by themselves.
    virtual int eventDescriptor() const { return -1; }
    virtual void dispatchEvents() {}
};

// The owner of the hooks, one per main window. Installing removes what was installed, then starts the backend with
// the mode's reports going to the target; the reports of a mode without messages are dropped.
class CDeviceHook {
public:
    struct Target {
        std::function<void(int mode, uint32_t transition, const HookKeyRecord&)> key;
        std::function<void(int mode, uint32_t message, const HookMouseRecord&)> mouse;
    };

    // The clock measures how long the hook has gone without input (milliseconds, only moving forward).
    explicit CDeviceHook(std::unique_ptr<InputHookBackend> backend,
                         std::function<uint64_t()> clock = monotonicMilliseconds);
    ~CDeviceHook();
    CDeviceHook(const CDeviceHook&) = delete;
    CDeviceHook& operator=(const CDeviceHook&) = delete;

    // 1 when installed, 0 when the keyboard hook could not be installed (no mouse hook is then asked for).
    int install(int mode, Target target, bool withKeyboard, bool withMouse);
    void remove();
    bool installed() const { return installed_; }
    int mode() const { return mode_; }
    // Milliseconds since the hook was installed or last delivered an event.
    uint64_t idleMilliseconds() const;
    InputHookBackend& backend() { return *backend_; }

private:
    std::unique_ptr<InputHookBackend> backend_;
    std::function<uint64_t()> clock_;
    Target target_;
    int mode_ = HookMode::None;
    bool installed_ = false;
    uint64_t lastInput_ = 0;
};

// A stand-in for tests: remembers what it was asked and delivers the events a test hands it while started.
class RecordingInputHook : public InputHookBackend {
public:
    std::string_view name() const override { return "recording"; }
    bool capturesDesktop() const override { return desktop_; }
    bool start(bool keyboard, bool mouse, HookEventHandlers handlers) override;
    void stop() override;

    void setCapturesDesktop(bool desktop) { desktop_ = desktop; }
    // The keyboard part fails to start, as when another program holds the keyboard.
    void refuseKeyboard(bool refuse) { refuseKeyboard_ = refuse; }
    bool keyboardStarted() const { return keyboard_; }
    bool mouseStarted() const { return mouse_; }
    int starts() const { return starts_; }

    // Delivered only while the matching part is started; false otherwise.
    bool key(uint32_t evdevCode, bool down);
    bool button(uint32_t button, bool down, int32_t x = 0, int32_t y = 0);

private:
    HookEventHandlers handlers_;
    bool desktop_ = true;
    bool refuseKeyboard_ = false;
    bool keyboard_ = false;
    bool mouse_ = false;
    int starts_ = 0;
};

// The X server's input: an active keyboard grab, which sends every key of the desktop here and to no other program
// (lock keys still change their state in the server), and XInput2 raw button events on the root window. Events wait
// on the X connection until dispatchEvents, so they are handled on the owner's thread. Nothing when there is no X
// display or the server lacks XInput 2.2.
std::unique_ptr<InputHookBackend> connectX11InputHook(const char* displayName = nullptr);

} // namespace pelan
