#include "macro/MacroRecorder.h"

#include "keys/KeyTables.h"
#include "macro/MouseEventTable.h"

namespace pelan {
namespace {

constexpr uint8_t kDownBit = 0x80;

bool isKeyDown(uint32_t transition) {
    return transition == kHookKeyDown || transition == kHookSysKeyDown;
}

bool isLeftButton(uint32_t message) {
    return message == kMsgLeftDown || message == kMsgLeftUp;
}

bool onStopButton(uint32_t message, const HookMouseRecord& record, const std::optional<ScreenRect>& stopButton) {
    return isLeftButton(message) && stopButton && stopButton->contains(record.x, record.y);
}

int xButtonOf(const HookMouseRecord& record) {
    return int(record.mouseData >> 16);
}

} // namespace

std::optional<MacroEvent> keyboardRowStep(size_t row, bool down) {
    if (row >= keyboardKeyTable().size())
        return std::nullopt;
    const KeyAssignment& key = keyboardKeyTable()[row].value;
    if (key.type != KeyType::Keyboard)
        return std::nullopt;
    if (key.param2 != 0)
        return MacroEvent{MacroEventKind::KeyboardKey, key.param2, down, 0};
    if (key.param1 != 0)
        return MacroEvent{MacroEventKind::KeyboardModifier, key.param1, down, 0};
    return std::nullopt;
}

std::optional<size_t> findKeyboardRowByName(std::string_view nameKey) {
    for (size_t row = 0; row < keyboardKeyTable().size(); ++row)
        if (keyboardKeyTable()[row].nameKey == nameKey)
            return row;
    return std::nullopt;
}

std::optional<MacroEvent> keyStepOf(const HookKeyRecord& record, bool down) {
    if (record.scanCode > 0xFF)
        return std::nullopt;
    const auto row = findKeyCaptureRow(uint8_t(record.scanCode), (record.flags & kHookKeyExtendedFlag) != 0);
    return row ? keyboardRowStep(*row, down) : std::nullopt;
}

std::optional<MacroEvent> mouseStepOf(uint32_t message, const HookMouseRecord& record) {
    const auto row = findMouseButtonEventRow(message, xButtonOf(record));
    if (!row)
        return std::nullopt;
    const KeyAssignment& value = mouseEventTable()[*row].value;
    return MacroEvent{MacroEventKind::MouseButton, value.param1, (value.param2 & kDownBit) != 0, 0};
}

MacroRecorder::MacroRecorder(MacroRecordingFilters& filters, Clock clock)
    : filters_(filters), clock_(std::move(clock)) {}

void MacroRecorder::start(MacroDelayPolicy policy, uint16_t constantDelay) {
    policy_ = policy;
    constantDelay_ = constantDelay;
    lastEventTime_ = clock_();
}

RecordOutcome MacroRecorder::recordKey(MacroEventList& list, int mode, uint32_t transition,
                                       const HookKeyRecord& record) {
    const bool down = isKeyDown(transition);
    const bool extended = (record.flags & kHookKeyExtendedFlag) != 0;
    if (mode == HookMode::MacroReplace) {
        const std::optional<MacroEvent> step = keyStepOf(record, down);
        const std::optional<size_t> selected = list.selected();
        if (!step || !selected)
            return RecordOutcome::Dropped;
        MacroEvent replaced = *step;
        replaced.down = eventOfRow(list.rows()[*selected]).value_or(replaced).down;
        list.setEvent(*selected, replaced);
        return RecordOutcome::Replaced;
    }
    const bool sameKey = record.scanCode == filters_.lastKeyScanCode && extended == filters_.lastKeyExtended;
    if (down) {
        if (sameKey)
            return RecordOutcome::Dropped; // held down: the keyboard repeats it
        filters_.lastKeyScanCode = record.scanCode;
        filters_.lastKeyExtended = extended;
    } else if (sameKey) {
        filters_.lastKeyScanCode = 0;
        filters_.lastKeyExtended = false;
    }
    const std::optional<MacroEvent> step = keyStepOf(record, down);
    return step ? add(list, mode, *step) : RecordOutcome::Dropped;
}

RecordOutcome MacroRecorder::recordMouse(MacroEventList& list, int mode, uint32_t message,
                                         const HookMouseRecord& record, std::optional<ScreenRect> stopButton) {
    const std::optional<MacroEvent> step = mouseStepOf(message, record);
    if (!step)
        return RecordOutcome::Dropped;
    if (mode == HookMode::MacroReplace) {
        const std::optional<size_t> selected = list.selected();
        if (!selected || onStopButton(message, record, stopButton))
            return RecordOutcome::Dropped;
        MacroEvent replaced = *step;
        replaced.down = eventOfRow(list.rows()[*selected]).value_or(replaced).down;
        list.setEvent(*selected, replaced);
        return RecordOutcome::Replaced;
    }
    if (message == filters_.lastMouseMessage)
        return RecordOutcome::Dropped;
    filters_.lastMouseMessage = message;
    if (onStopButton(message, record, stopButton))
        return RecordOutcome::Dropped;
    return add(list, mode, *step);
}

RecordOutcome MacroRecorder::add(MacroEventList& list, int mode, const MacroEvent& step) {
    const std::optional<size_t> selected = list.selected();
    size_t position = 0;
    if (mode == HookMode::Macro)
        position = list.size();
    else if ((mode == HookMode::MacroBefore || mode == HookMode::MacroAfter) && selected)
        position = mode == HookMode::MacroBefore ? *selected : *selected + 1;
    else
        return RecordOutcome::Dropped;
    if (list.full())
        return RecordOutcome::Dropped;

    const uint16_t measured = measureDelay();
    const bool first = mode == HookMode::MacroBefore ? position == 0 : list.size() == 0;
    MacroEvent event = step;
    event.delay = !first && policy_ == MacroDelayPolicy::Constant ? constantDelay_ : 0;
    list.insert(position, makeEventRow(event));
    list.select(mode == HookMode::MacroBefore ? position + 1 : position);
    if (!first && recordedAny_)
        list.setDelay(position - 1, measured);
    recordedAny_ = true;
    return RecordOutcome::Added;
}

uint16_t MacroRecorder::measureDelay() {
    switch (policy_) {
    case MacroDelayPolicy::Constant:
        return constantDelay_;
    case MacroDelayPolicy::Ignore:
        return 0;
    case MacroDelayPolicy::Record:
        break;
    }
    const uint64_t now = clock_();
    const uint64_t elapsed = now - lastEventTime_;
    lastEventTime_ = now;
    return elapsed > kMaxMacroDelay - 1 ? uint16_t(kMaxMacroDelay) : uint16_t(elapsed);
}

} // namespace pelan
