// The macro step commands: the steps of one macro's event file shown, inserted, moved, removed and given delays,
// through the event list the window's macro editor uses.
#include "cli/CommandsMacroSteps.h"
#include "macro/MacroEventList.h"
#include "macro/MacroRecorder.h"
#include "profile/JsonFileStore.h"

#include <array>
#include <variant>

namespace pelan::cli {
namespace {

constexpr const char* kUsage =
    "usage: macro steps INDEX | macro insert INDEX POSITION key NAME down|up DELAY | "
    "macro insert INDEX POSITION button left|right|middle|forward|back down|up|click DELAY | "
    "macro insert INDEX POSITION move left|right|up|down DISTANCE DELAY | macro move INDEX FROM TO | "
    "macro remove INDEX POSITION | macro delay INDEX POSITION DELAY";

constexpr uint32_t kMaxPosition = 0xFFFF;

struct NamedButton {
    const char* name;
    int bit;
};
constexpr std::array<NamedButton, 5> kButtons{{{"left", 1}, {"right", 2}, {"middle", 4}, {"back", 8}, {"forward", 16}}};

struct NamedMove {
    const char* name;
    int type;
    bool down;
};
constexpr std::array<NamedMove, 4> kMoves{{{"left", MacroEventKind::HorizontalMove, true},
                                           {"right", MacroEventKind::HorizontalMove, false},
                                           {"up", MacroEventKind::VerticalMove, true},
                                           {"down", MacroEventKind::VerticalMove, false}}};

// The steps as the event file holds them.
Json::Value stepsDocument(const MacroLibrary& library, size_t index, const MacroEventList& list) {
    Json::Value events(Json::arrayValue);
    for (const MacroEventRow& row : list.rows())
        if (std::optional<Json::Value> event = JsonFileStore::parseJsonText(row.eventText))
            events.append(*event);
    Json::Value doc;
    doc["index"] = Json::UInt(index);
    doc["name"] = library.entries()[index].name;
    doc["events"] = events;
    return doc;
}

// The steps an insert command names (the words after POSITION), or an error text.
std::variant<std::vector<MacroEvent>, std::string> stepsToInsert(const Words& words) {
    const std::string& kind = words[0];
    const bool keyOrButton = kind == "key" || kind == "button";
    if ((keyOrButton && words.size() != 4) || (kind == "move" && words.size() != 4) || (!keyOrButton && kind != "move"))
        return std::string(kUsage);
    const std::optional<uint32_t> delay = parseNumberArgument(words[3], kMaxMacroDelay);
    if (!delay)
        return "DELAY takes 0 to " + std::to_string(kMaxMacroDelay) + ", not " + words[3];
    if (kind == "key") {
        if (words[2] != "down" && words[2] != "up")
            return "a key goes down or up, not " + words[2];
        const bool down = words[2] == "down";
        const std::optional<size_t> row = findKeyboardRowByName(words[1]);
        const std::optional<MacroEvent> step = row ? keyboardRowStep(*row, down) : std::nullopt;
        if (!step)
            return "no keyboard key is named " + words[1];
        return std::vector<MacroEvent>{{step->type, step->button, down, uint16_t(*delay)}};
    }
    if (kind == "button") {
        const MouseStep step = words[2] == "down" ? MouseStep::Down
                               : words[2] == "up" ? MouseStep::Up
                                                  : MouseStep::Click;
        if (step == MouseStep::Click && words[2] != "click")
            return "a button goes down, up or click, not " + words[2];
        for (const NamedButton& button : kButtons)
            if (words[1] == button.name)
                return mouseButtonSteps(button.bit, step, uint16_t(*delay));
        return "no mouse button is named " + words[1];
    }
    const std::optional<uint32_t> distance = parseNumberArgument(words[2], kMaxMoveDistance);
    if (!distance || *distance < kMinMoveDistance)
        return "DISTANCE takes 1 to 255, not " + words[2];
    for (const NamedMove& move : kMoves)
        if (words[1] == move.name)
            return std::vector<MacroEvent>{pointerMoveStep(move.type, move.down, int(*distance), uint16_t(*delay))};
    return "a move goes left, right, up or down, not " + words[1];
}

// Checks a position of the list: below its size, or up to it where a step is inserted.
std::string positionError(const std::string& text, size_t size, bool insert, std::optional<size_t>& position) {
    const std::optional<uint32_t> number = parseNumberArgument(text, kMaxPosition);
    if (number && (insert ? *number <= size : *number < size)) {
        position = *number;
        return {};
    }
    return "POSITION " + text + " is not a step of the macro (" + std::to_string(size) + " steps)";
}

} // namespace

bool isMacroStepVerb(const std::string& verb) {
    return verb == "steps" || verb == "insert" || verb == "move" || verb == "remove" || verb == "delay";
}

CommandResult macroStepsCommand(const Words& args, MacroLibrary& library, size_t index) {
    const std::string& verb = args[0];
    const size_t count = args.size();
    const bool known = (verb == "steps" && count == 2) || (verb == "insert" && count >= 6) ||
                       (verb == "move" && count == 4) || (verb == "remove" && count == 3) ||
                       (verb == "delay" && count == 4);
    if (!known)
        return usageFailed(kUsage);
    library.select(index);
    MacroEventList list(library.loadEvents());
    if (verb == "steps")
        return succeeded(stepsDocument(library, index, list));

    std::optional<size_t> position;
    if (std::string error = positionError(args[2], list.size(), verb == "insert", position); !error.empty())
        return failed(error);
    if (verb == "insert") {
        const auto steps = stepsToInsert(Words(args.begin() + 3, args.end()));
        if (const auto* error = std::get_if<std::string>(&steps))
            return usageFailed(*error);
        const auto& events = std::get<std::vector<MacroEvent>>(steps);
        if (list.size() + events.size() > kMaxMacroEvents)
            return failed("a macro holds at most " + std::to_string(kMaxMacroEvents) + " steps");
        for (size_t i = 0; i < events.size(); ++i)
            list.insert(*position + i, makeEventRow(events[i]));
    } else if (verb == "move") {
        std::optional<size_t> to;
        if (std::string error = positionError(args[3], list.size(), false, to); !error.empty())
            return failed(error);
        list.move(*position, *to);
    } else if (verb == "remove") {
        list.remove(*position);
    } else {
        const std::optional<uint32_t> delay = parseNumberArgument(args[3], kMaxMacroDelay);
        if (!delay)
            return usageFailed("DELAY takes 0 to " + std::to_string(kMaxMacroDelay) + ", not " + args[3]);
        list.setDelay(*position, uint16_t(*delay));
    }
    if (!library.saveEvents(list.rows()))
        return failed("cannot write the event file of macro " + std::to_string(index) + " in " + library.folder());
    return succeeded(stepsDocument(library, index, list));
}

} // namespace pelan::cli
