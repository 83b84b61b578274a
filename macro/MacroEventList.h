#pragma once

#include "macro/MacroFiles.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace pelan {

// The steps of the macro being edited, with the selected step: what the editor's event list shows and what the
// recorder and the command line change. Every operation keeps a row's event text and delay together.
class MacroEventList {
public:
    MacroEventList() = default;
    explicit MacroEventList(std::vector<MacroEventRow> rows) : rows_(std::move(rows)) {}

    const std::vector<MacroEventRow>& rows() const { return rows_; }
    size_t size() const { return rows_.size(); }
    bool full() const { return rows_.size() >= kMaxMacroEvents; }
    std::optional<size_t> selected() const { return selected_; }
    // A position past the end selects nothing.
    void select(std::optional<size_t> position);

    // Puts a row at a position from 0 to size(); false when the list is full or the position is past the end.
    bool insert(size_t position, MacroEventRow row);
    // Moves the row at `from` to `to`, the rows between closing up; the selection follows the moved row.
    bool move(size_t from, size_t to);
    bool remove(size_t position);
    void clear();
    // The row's delay field and the `Delay` of its event text.
    bool setDelay(size_t position, uint16_t delay);
    // Replaces the row's event text, keeping its delay.
    bool setEvent(size_t position, const MacroEvent& event);

    // The editor's row buttons: each needs a selected row and does nothing where the row cannot go.
    bool moveSelectedUp();
    bool moveSelectedDown();
    bool moveSelectedToTop();
    bool moveSelectedToBottom();
    bool removeSelected();

    // Inserts after the selected row (after the first row when none is selected, at 0 into an empty list) and
    // selects the new row.
    bool insertAfterSelection(MacroEventRow row);

private:
    std::vector<MacroEventRow> rows_;
    std::optional<size_t> selected_;
};

// The row of a step: its event object as text, and its delay.
MacroEventRow makeEventRow(const MacroEvent& event);
// The step a row holds, with the row's delay; nothing when its text is not an event object.
std::optional<MacroEvent> eventOfRow(const MacroEventRow& row);

// Mouse-button steps of the action menu: a press, a release, or a press followed by a release.
enum class MouseStep { Down, Up, Click };
// Button: the button bit (1 left, 2 right, 4 middle, 8 back, 16 forward). Each step has the delay.
std::vector<MacroEvent> mouseButtonSteps(int button, MouseStep step, uint16_t delay);
// A pointer move: `Type` 4 (left "down", right "up") or 5 (up "down", down "up"), distance 1..255.
MacroEvent pointerMoveStep(int type, bool down, int distance, uint16_t delay);

// The distance typed for an inserted move: decimal text; empty or not a number reads 1; limited to 1..255.
int correctedMoveDistance(std::string_view text);

} // namespace pelan
