#include "profile/CDi6533Profiledata.h"

#include "profile/ProfileMembers.h"

namespace pelan {

std::optional<int> eqPresetIndex(int eqType) {
    if (eqType == kCustomEqType)
        return std::nullopt;
    if (eqType >= 1 && eqType <= 12)
        return eqType;
    return 1;
}

HeadsetSettings CDi6533Profiledata::readHeadsetSettings() {
    HeadsetSettings settings;
    JsonLookup stored = node()[member::kSystemSetStages];
    if (stored.present()) {
        settings.magicEnable = stored[member::kMagicEnable].toInt();
        settings.magicType = stored[member::kMagicType].toInt();
        settings.eqType = stored[member::kEqType].toInt();
        settings.customEqSlot = stored[member::kCustomEqSelectIndex].toInt();
        settings.micInSelect = stored[member::kMicInSelect].toInt();
        settings.micInValue = stored[member::kMicInValue].toInt();
        settings.micMonitorSelect = stored[member::kMicMonitorSelect].toInt();
        settings.micMonitorValue = stored[member::kMicMonitorValue].toInt();
    }
    headsetSettings = settings;
    return settings;
}

void CDi6533Profiledata::writeHeadsetSettings(const HeadsetSettings& settings) {
    Json::Value& stored = nodeForWrite(member::kSystemSetStages);
    memberForWrite(stored, member::kMagicEnable) = settings.magicEnable;
    memberForWrite(stored, member::kMagicType) = settings.magicType;
    memberForWrite(stored, member::kEqType) = settings.eqType;
    memberForWrite(stored, member::kCustomEqSelectIndex) = settings.customEqSlot;
    memberForWrite(stored, member::kMicInSelect) = settings.micInSelect;
    memberForWrite(stored, member::kMicInValue) = settings.micInValue;
    memberForWrite(stored, member::kMicMonitorSelect) = settings.micMonitorSelect;
    memberForWrite(stored, member::kMicMonitorValue) = settings.micMonitorValue;
    headsetSettings = settings;
}

std::vector<int> CDi6533Profiledata::readBandValues(const char* listName, int index) {
    if (!isCreatableIndex(index))
        return std::vector<int>(kEqBandCount, 0);
    JsonLookup curve = node()[listName][index];
    if (!curve.isArray()) {
        // A curve the profile lacks is stored as zeros, so the file shows what the device was given.
        writeBandValues(listName, index, std::vector<int>(kEqBandCount, 0));
        return std::vector<int>(kEqBandCount, 0);
    }
    std::vector<int> values;
    for (int band = 0; band < kEqBandCount; ++band)
        values.push_back(curve[band][member::kValue].toInt());
    return values;
}

void CDi6533Profiledata::writeBandValues(const char* listName, int index, const std::vector<int>& values) {
    if (!isCreatableIndex(index))
        return;
    Json::Value& curve = elementForWrite(nodeForWrite(listName), index);
    for (std::size_t band = 0; band < values.size() && band < kEqBandCount; ++band)
        memberForWrite(elementForWrite(curve, static_cast<int>(band)), member::kValue) = values[band];
}

std::vector<int> CDi6533Profiledata::readEqValues(int eqType) {
    std::optional<int> index = eqPresetIndex(eqType);
    return index ? readBandValues(member::kEqHzValueInfo, *index) : std::vector<int>();
}

void CDi6533Profiledata::writeEqValues(int eqType, const std::vector<int>& values) {
    if (std::optional<int> index = eqPresetIndex(eqType))
        writeBandValues(member::kEqHzValueInfo, *index, values);
}

std::vector<int> CDi6533Profiledata::readCustomEqValues(int slot) {
    return readBandValues(member::kCustomEqHzValueInfo, slot);
}

void CDi6533Profiledata::writeCustomEqValues(int slot, const std::vector<int>& values) {
    writeBandValues(member::kCustomEqHzValueInfo, slot, values);
}

void CDi6533Profiledata::removeCustomEqValues(int slot) {
    Json::Value& list = nodeForWrite(member::kCustomEqHzValueInfo);
    if (!list.isArray() || slot < 0 || Json::ArrayIndex(slot) >= list.size())
        return;
    Json::Value removed;
    list.removeIndex(Json::ArrayIndex(slot), &removed);
}

std::vector<std::string> CDi6533Profiledata::readCustomEqNames() {
    std::vector<std::string> names;
    JsonLookup list = node()[member::kCustomEqNameInfo];
    for (int i = 0; i < list.size(); ++i)
        names.push_back(list[i][member::kName].toString());
    return names;
}

void CDi6533Profiledata::writeCustomEqNames(const std::vector<std::string>& names) {
    Json::Value list(Json::arrayValue);
    for (const std::string& name : names) {
        Json::Value entry(Json::objectValue);
        entry[member::kName] = name;
        list.append(entry);
    }
    nodeForWrite(member::kCustomEqNameInfo) = list;
}

} // namespace pelan
