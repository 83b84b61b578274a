#include "profile/CKeyboardProfiledata.h"

#include "profile/ProfileMembers.h"
#include "profile/SystemWordsCodec.h"

namespace pelan {
namespace {

constexpr SystemHalfNames kKeyboardHalves{member::kRepeat,      member::kRepeatDelay, member::kKey6Flag,
                                          member::kPollingRate, member::kWFlag,       member::kWinFlag};

Json::Value colourValue(const RgbaColour& colour) {
    Json::Value stored(Json::objectValue);
    stored[member::kRed] = colour.red;
    stored[member::kGreen] = colour.green;
    stored[member::kBlue] = colour.blue;
    stored[member::kAlpha] = colour.alpha;
    return stored;
}

} // namespace

SystemWords CKeyboardProfiledata::readKeyboardSystem() {
    JsonLookup system = node()[member::kSystemStages];
    keyboardSystem = system.present() ? readSystemWords(system, kKeyboardHalves) : SystemWords{};
    return keyboardSystem;
}

void CKeyboardProfiledata::writeKeyboardSystem(const SystemWords& words) {
    keyboardSystem = words;
    writeSystemWords(nodeForWrite(member::kSystemStages), words, kKeyboardHalves);
}

std::vector<RgbaColour> CKeyboardProfiledata::readCustomLightColours(int group, int count) {
    std::vector<RgbaColour> colours;
    if (!isCreatableIndex(group))
        group = -1; // no such group: every colour reads as missing and nothing is stored
    for (int i = 0; i < count && isCreatableIndex(i); ++i) {
        JsonLookup stored = node()[member::kCustomLightMode][member::kLightColorInfo][group][i];
        if (stored.isObject()) {
            colours.push_back({stored[member::kRed].toByte(), stored[member::kGreen].toByte(),
                               stored[member::kBlue].toByte(), stored[member::kAlpha].toByte()});
            continue;
        }
        if (group >= 0) {
            Json::Value& groups = memberForWrite(nodeForWrite(member::kCustomLightMode), member::kLightColorInfo);
            elementForWrite(elementForWrite(groups, group), i) = colourValue({});
        }
        colours.push_back({});
    }
    customLightColours = colours;
    return colours;
}

void CKeyboardProfiledata::writeCustomLightColours(const std::vector<RgbaColour>& colours, int group) {
    customLightColours = colours;
    if (!isCreatableIndex(group))
        return;
    Json::Value& groups = memberForWrite(nodeForWrite(member::kCustomLightMode), member::kLightColorInfo);
    Json::Value& list = elementForWrite(groups, group);
    for (std::size_t i = 0; i < colours.size() && isCreatableIndex(static_cast<int>(i)); ++i)
        elementForWrite(list, static_cast<int>(i)) = colourValue(colours[i]);
}

int CKeyboardProfiledata::readCustomLightGroup() {
    customLightGroup = node()[member::kCustomLightMode][member::kCustomLightModeGroupIndex].toInt();
    return customLightGroup;
}

void CKeyboardProfiledata::writeCustomLightGroup(int group) {
    customLightGroup = group;
    memberForWrite(nodeForWrite(member::kCustomLightMode), member::kCustomLightModeGroupIndex) = group;
}

} // namespace pelan
