#include "platform/InputHook.h"

#include "platform/Trace.h"

#include <array>

namespace pelan {
namespace {

struct ModeMessages {
    int mode;
    const char* keyboard;
    const char* mouse;
};

constexpr std::array<ModeMessages, 9> kModeMessages{{
    {HookMode::SingleKey, "WM_HOOK_KEY_SINGLEKEY_MSG", nullptr},
    {HookMode::HitKey, "WM_HOOK_KEY_HITKEY_MSG", nullptr},
    {HookMode::Macro, "WM_HOOK_KEY_KBMACRO_MSG", "WM_HOOK_KEY_MSMACRO_MSG"},
    {HookMode::MacroBefore, "WM_HOOK_KEY_KBMACROPREVIOUS_MSG", "WM_HOOK_KEY_MSMACROPREVIOUS_MSG"},
    {HookMode::MacroAfter, "WM_HOOK_KEY_KBMACROLATER_MSG", "WM_HOOK_KEY_MSMACROLATER_MSG"},
    {HookMode::MacroReplace, "WM_HOOK_KEY_KBMACROSINGLE_MSG", "WM_HOOK_KEY_MSMACROSINGLE_MSG"},
    {256, "WM_HOOK_MOU_SINGLEKEY_MSG", nullptr},
    {512, "WM_HOOK_MOU_HITKEY_MSG", nullptr},
    {1024, "WM_HOOK_MOU_KBMACRO_MSG", nullptr},
}};

const ModeMessages* messagesOf(int mode) {
    for (const ModeMessages& entry : kModeMessages)
        if (entry.mode == mode)
            return &entry;
    return nullptr;
}

// Linux key codes 0..127 as a PC keyboard reports them: set-1 scan code, extended bit, virtual-key code.
// Codes 1 to 88 are the set-1 scan codes themselves; the grey keys above them carry the extended bit. Right
// Shift and Num Lock report the extended bit too, the way the key capture table expects them.
constexpr HookKeyCode plain(uint8_t scan, uint8_t vk) {
    return {scan, false, vk};
}
constexpr HookKeyCode grey(uint8_t scan, uint8_t vk) {
    return {scan, true, vk};
}
constexpr std::array<HookKeyCode, 128> kEvdevKeys = [] {
    std::array<HookKeyCode, 128> keys{};
    constexpr std::array<uint8_t, 89> vk{
        0,    0x1B, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x30, 0xBD, 0xBB, 0x08, 0x09, 0x51, 0x57,
        0x45, 0x52, 0x54, 0x59, 0x55, 0x49, 0x4F, 0x50, 0xDB, 0xDD, 0x0D, 0xA2, 0x41, 0x53, 0x44, 0x46, 0x47, 0x48,
        0x4A, 0x4B, 0x4C, 0xBA, 0xDE, 0xC0, 0xA0, 0xDC, 0x5A, 0x58, 0x43, 0x56, 0x42, 0x4E, 0x4D, 0xBC, 0xBE, 0xBF,
        0xA1, 0x6A, 0xA4, 0x20, 0x14, 0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x90, 0x91, 0x67,
        0x68, 0x69, 0x6D, 0x64, 0x65, 0x66, 0x6B, 0x61, 0x62, 0x63, 0x60, 0x6E, 0,    0,    0xE2, 0x7A, 0x7B};
    for (uint8_t code = 1; code < vk.size(); ++code)
        if (vk[code] != 0)
            keys[code] = plain(code, vk[code]);
    keys[54] = grey(0x36, 0xA1);   // Right Shift
    keys[69] = grey(0x45, 0x90);   // Num Lock
    keys[96] = grey(0x1C, 0x0D);   // keypad Enter
    keys[97] = grey(0x1D, 0xA3);   // Right Ctrl
    keys[98] = grey(0x35, 0x6F);   // keypad /
    keys[99] = grey(0x37, 0x2C);   // Print Screen
    keys[100] = grey(0x38, 0xA5);  // Right Alt
    keys[102] = grey(0x47, 0x24);  // Home
    keys[103] = grey(0x48, 0x26);  // Up
    keys[104] = grey(0x49, 0x21);  // Page Up
    keys[105] = grey(0x4B, 0x25);  // Left
    keys[106] = grey(0x4D, 0x27);  // Right
    keys[107] = grey(0x4F, 0x23);  // End
    keys[108] = grey(0x50, 0x28);  // Down
    keys[109] = grey(0x51, 0x22);  // Page Down
    keys[110] = grey(0x52, 0x2D);  // Insert
    keys[111] = grey(0x53, 0x2E);  // Delete
    keys[89] = plain(0x73, 0xC1);  // Ro
    keys[92] = plain(0x79, 0x1C);  // Henkan
    keys[93] = plain(0x70, 0x15);  // Katakana/Hiragana
    keys[94] = plain(0x7B, 0x1D);  // Muhenkan
    keys[119] = plain(0x45, 0x13); // Pause
    keys[121] = plain(0x7E, 0xC2); // keypad comma
    keys[122] = plain(0x72, 0x15); // Hangeul
    keys[123] = plain(0x71, 0x19); // Hanja
    keys[124] = plain(0x7D, 0xDC); // Yen
    keys[125] = grey(0x5B, 0x5B);  // left Windows key
    keys[126] = grey(0x5C, 0x5C);  // right Windows key
    keys[127] = grey(0x5D, 0x5D);  // menu key
    return keys;
}();

constexpr uint32_t kMsgLeftDown = 0x201;
constexpr uint32_t kMsgRightDown = 0x204;
constexpr uint32_t kMsgMiddleDown = 0x207;
constexpr uint32_t kMsgXButtonDown = 0x20B;
constexpr uint32_t kXButtonBack = 1;
constexpr uint32_t kXButtonForward = 2;

} // namespace

bool isLockKey(uint32_t vkCode) {
    return vkCode == kVkCapsLock || vkCode == kVkNumLock || vkCode == kVkScrollLock;
}

const char* hookKeyboardMessageName(int mode) {
    const ModeMessages* entry = messagesOf(mode);
    return entry != nullptr ? entry->keyboard : nullptr;
}

const char* hookMouseMessageName(int mode) {
    const ModeMessages* entry = messagesOf(mode);
    return entry != nullptr ? entry->mouse : nullptr;
}

std::optional<HookKeyCode> hookKeyCodeOfEvdev(uint32_t evdevCode) {
    if (evdevCode >= kEvdevKeys.size() || kEvdevKeys[evdevCode].vkCode == 0)
        return std::nullopt;
    return kEvdevKeys[evdevCode];
}

std::optional<HookKeyRecord> hookKeyRecordOfEvdev(uint32_t evdevCode, bool down, uint32_t timeMs) {
    const std::optional<HookKeyCode> code = hookKeyCodeOfEvdev(evdevCode);
    if (!code)
        return std::nullopt;
    HookKeyRecord record;
    record.vkCode = code->vkCode;
    record.scanCode = code->scanCode;
    record.flags = (code->extended ? kHookKeyExtendedFlag : 0) | (down ? 0 : kHookKeyUpFlag);
    record.time = timeMs;
    return record;
}

std::optional<HookMouseEvent> hookMouseEventOfButton(uint32_t button, bool down, int32_t x, int32_t y) {
    HookMouseEvent event;
    event.record.x = x;
    event.record.y = y;
    switch (button) {
    case kButtonLeft:
        event.message = kMsgLeftDown;
        break;
    case kButtonRight:
        event.message = kMsgRightDown;
        break;
    case kButtonMiddle:
        event.message = kMsgMiddleDown;
        break;
    case kButtonBack:
    case kButtonForward:
        event.message = kMsgXButtonDown;
        event.record.mouseData = (button == kButtonBack ? kXButtonBack : kXButtonForward) << 16;
        break;
    default:
        return std::nullopt;
    }
    if (!down)
        ++event.message; // each release message follows its press message
    return event;
}

// --- CDeviceHook ---

CDeviceHook::CDeviceHook(std::unique_ptr<InputHookBackend> backend, std::function<uint64_t()> clock)
    : backend_(std::move(backend)), clock_(std::move(clock)) {
    trace("input hook: " + std::string(backend_->name()));
}

CDeviceHook::~CDeviceHook() {
    remove();
}

int CDeviceHook::install(int mode, Target target, bool withKeyboard, bool withMouse) {
    remove();
    mode_ = mode;
    target_ = std::move(target);
    HookEventHandlers handlers;
    if (withKeyboard)
        handlers.key = [this](uint32_t transition, const HookKeyRecord& record) {
            lastInput_ = clock_();
            if (hookKeyboardMessageName(mode_) != nullptr && target_.key)
                target_.key(mode_, transition, record);
        };
    if (withMouse)
        handlers.mouse = [this](uint32_t message, const HookMouseRecord& record) {
            lastInput_ = clock_();
            if (hookMouseMessageName(mode_) != nullptr && target_.mouse)
                target_.mouse(mode_, message, record);
        };
    if (!backend_->start(withKeyboard, withMouse, std::move(handlers))) {
        trace("input hook: the keyboard could not be taken");
        return 0;
    }
    installed_ = true;
    lastInput_ = clock_();
    trace("input hook installed, mode " + std::to_string(mode));
    return 1;
}

void CDeviceHook::remove() {
    if (!installed_)
        return;
    backend_->stop();
    installed_ = false;
    trace("input hook removed");
}

uint64_t CDeviceHook::idleMilliseconds() const {
    const uint64_t now = clock_();
    return now > lastInput_ ? now - lastInput_ : 0;
}

// --- RecordingInputHook ---

bool RecordingInputHook::start(bool keyboard, bool mouse, HookEventHandlers handlers) {
    stop();
    ++starts_;
    if (keyboard && refuseKeyboard_)
        return false;
    handlers_ = std::move(handlers);
    keyboard_ = keyboard;
    mouse_ = mouse;
    return true;
}

void RecordingInputHook::stop() {
    handlers_ = {};
    keyboard_ = false;
    mouse_ = false;
}

bool RecordingInputHook::key(uint32_t evdevCode, bool down) {
    const std::optional<HookKeyRecord> record = hookKeyRecordOfEvdev(evdevCode, down, 0);
    if (!keyboard_ || !record || !handlers_.key)
        return false;
    handlers_.key(down ? kHookKeyDown : kHookKeyUp, *record);
    return true;
}

bool RecordingInputHook::button(uint32_t button, bool down, int32_t x, int32_t y) {
    const std::optional<HookMouseEvent> event = hookMouseEventOfButton(button, down, x, y);
    if (!mouse_ || !event || !handlers_.mouse)
        return false;
    handlers_.mouse(event->message, event->record);
    return true;
}

} // namespace pelan
