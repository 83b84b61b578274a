#pragma once

#include "macro/MacroEventList.h"
#include "platform/InputHook.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace pelan {

// How a recorded step gets its delay.
enum class MacroDelayPolicy {
    Record = 1,   // the time measured between the events
    Constant = 2, // the panel's constant delay
    Ignore = 3,   // 0
};

inline constexpr uint16_t kDefaultConstantDelay = 50;

// What every recording drops, kept for the life of the program: the key that last went down (auto-repeat) and the
// message of the last mouse event (a second press of the other X button while one is held).
struct MacroRecordingFilters {
    uint32_t lastKeyScanCode = 0;
    bool lastKeyExtended = false;
    uint32_t lastMouseMessage = 0;
};

// A rectangle in screen coordinates, edges included.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

enum class RecordOutcome { Dropped, Added, Replaced };

// The recording state of one macro panel, turning hook reports into rows of its event list by the hook's mode:
// append (4), insert above the selection (8), below it (16), or replace the selected row's key or button (32).
class MacroRecorder {
public:
    using Clock = std::function<uint64_t()>; // milliseconds

    MacroRecorder(MacroRecordingFilters& filters, Clock clock);

    // Starts measuring from now with this policy; the constant delay is the one the policy Constant gives.
    void start(MacroDelayPolicy policy, uint16_t constantDelay);
    MacroDelayPolicy policy() const { return policy_; }
    uint16_t constantDelay() const { return constantDelay_; }
    void setConstantDelay(uint16_t delay) { constantDelay_ = delay; }

    RecordOutcome recordKey(MacroEventList& list, int mode, uint32_t transition, const HookKeyRecord& record);
    // stopButton: where the stop button is on the screen; presses of the left button on it are not recorded.
    RecordOutcome recordMouse(MacroEventList& list, int mode, uint32_t message, const HookMouseRecord& record,
                              std::optional<ScreenRect> stopButton);

private:
    RecordOutcome add(MacroEventList& list, int mode, const MacroEvent& event);
    uint16_t measureDelay();

    MacroRecordingFilters& filters_;
    Clock clock_;
    MacroDelayPolicy policy_ = MacroDelayPolicy::Record;
    uint16_t constantDelay_ = kDefaultConstantDelay;
    uint64_t lastEventTime_ = 0;
    bool recordedAny_ = false;
};

// The step of a keyboard key table row of type 0x20: `Type` 10 with its HID usage, or 9 with its modifier bit;
// nothing for other rows.
std::optional<MacroEvent> keyboardRowStep(size_t row, bool down);
// The keyboard key table row named by a name key ("keyboard_key_A"), or nothing.
std::optional<size_t> findKeyboardRowByName(std::string_view nameKey);
// The step of a captured key: `Type` 10 with the HID usage, or 9 with the modifier bit; nothing for keys that
// have no row in the key capture table.
std::optional<MacroEvent> keyStepOf(const HookKeyRecord& record, bool down);
// The step of a hooked mouse-button message (left, right, middle, back, forward); nothing for other messages.
std::optional<MacroEvent> mouseStepOf(uint32_t message, const HookMouseRecord& record);

} // namespace pelan
