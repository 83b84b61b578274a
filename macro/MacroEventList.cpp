#include "macro/MacroEventList.h"

#include "keys/DecimalText.h"
#include "macro/MacroJson.h"
#include "profile/JsonFileStore.h"

#include <algorithm>

namespace pelan {

void MacroEventList::select(std::optional<size_t> position) {
    selected_ = position && *position < rows_.size() ? position : std::nullopt;
}

bool MacroEventList::insert(size_t position, MacroEventRow row) {
    if (full() || position > rows_.size())
        return false;
    rows_.insert(rows_.begin() + std::ptrdiff_t(position), std::move(row));
    return true;
}

bool MacroEventList::move(size_t from, size_t to) {
    if (from >= rows_.size() || to >= rows_.size())
        return false;
    MacroEventRow row = std::move(rows_[from]);
    rows_.erase(rows_.begin() + std::ptrdiff_t(from));
    rows_.insert(rows_.begin() + std::ptrdiff_t(to), std::move(row));
    if (selected_ == from)
        selected_ = to;
    return true;
}

bool MacroEventList::remove(size_t position) {
    if (position >= rows_.size())
        return false;
    rows_.erase(rows_.begin() + std::ptrdiff_t(position));
    if (selected_ && *selected_ >= rows_.size())
        selected_.reset();
    return true;
}

void MacroEventList::clear() {
    rows_.clear();
    selected_.reset();
}

bool MacroEventList::setDelay(size_t position, uint16_t delay) {
    if (position >= rows_.size())
        return false;
    MacroEventRow& row = rows_[position];
    row.delay = delay;
    if (std::optional<Json::Value> object = JsonFileStore::parseJsonText(row.eventText); object && object->isObject()) {
        (*object)[kEventDelayMember] = std::to_string(delay);
        row.eventText = compactJsonText(*object);
    }
    return true;
}

bool MacroEventList::setEvent(size_t position, const MacroEvent& event) {
    if (position >= rows_.size())
        return false;
    MacroEvent kept = event;
    kept.delay = rows_[position].delay;
    rows_[position] = makeEventRow(kept);
    return true;
}

bool MacroEventList::moveSelectedUp() {
    return selected_ && *selected_ > 0 && move(*selected_, *selected_ - 1);
}

bool MacroEventList::moveSelectedDown() {
    return selected_ && *selected_ + 1 < rows_.size() && move(*selected_, *selected_ + 1);
}

bool MacroEventList::moveSelectedToTop() {
    return selected_ && *selected_ > 0 && move(*selected_, 0);
}

bool MacroEventList::moveSelectedToBottom() {
    return selected_ && *selected_ + 1 < rows_.size() && move(*selected_, rows_.size() - 1);
}

bool MacroEventList::removeSelected() {
    if (!selected_)
        return false;
    const size_t position = *selected_;
    remove(position);
    selected_.reset();
    return true;
}

bool MacroEventList::insertAfterSelection(MacroEventRow row) {
    const size_t position = rows_.empty() ? 0 : selected_.value_or(0) + 1;
    if (!insert(position, std::move(row)))
        return false;
    selected_ = position;
    return true;
}

MacroEventRow makeEventRow(const MacroEvent& event) {
    return {compactJsonText(makeMacroEventObject(event)), event.delay};
}

std::optional<MacroEvent> eventOfRow(const MacroEventRow& row) {
    const std::optional<Json::Value> object = JsonFileStore::parseJsonText(row.eventText);
    if (!object || !object->isObject())
        return std::nullopt;
    MacroEvent event = readMacroEvent(*object);
    event.delay = row.delay;
    return event;
}

std::vector<MacroEvent> mouseButtonSteps(int button, MouseStep step, uint16_t delay) {
    const MacroEvent down{MacroEventKind::MouseButton, button, true, delay};
    const MacroEvent up{MacroEventKind::MouseButton, button, false, delay};
    switch (step) {
    case MouseStep::Down:
        return {down};
    case MouseStep::Up:
        return {up};
    case MouseStep::Click:
        break;
    }
    return {down, up};
}

MacroEvent pointerMoveStep(int type, bool down, int distance, uint16_t delay) {
    return {type, std::clamp(distance, kMinMoveDistance, kMaxMoveDistance), down, delay};
}

int correctedMoveDistance(std::string_view text) {
    return int(std::clamp<int64_t>(parseDecimalText(text), kMinMoveDistance, kMaxMoveDistance));
}

} // namespace pelan
