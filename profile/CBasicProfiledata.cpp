#include "profile/CBasicProfiledata.h"

#include "platform/Trace.h"
#include "profile/DefaultFiles.h"
#include "profile/FileStem.h"
#include "profile/ProfileList.h"
#include "profile/ProfileMembers.h"

#include <filesystem>

namespace pelan {
namespace {

uint32_t nonNegative(int32_t value) {
    return value < 0 ? 0u : static_cast<uint32_t>(value);
}

// The profile file's tree to update. A file that is there but is not a profile object (broken JSON, a cut-off
// write, something else) is kept aside for the user before it is replaced.
Json::Value profileTreeForUpdate(const JsonFileStore& store, const std::string& path) {
    Json::Value file = store.loadJsonFile(path);
    if (file.isObject())
        return file;
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, error)))
        JsonFileStore::setAsideBroken(path);
    return Json::Value(Json::objectValue);
}

} // namespace

int CBasicProfiledata::saveProfile() {
    return saveDeviceNode(deviceNode, profilePath);
}

int CBasicProfiledata::saveDeviceNode(const Json::Value& node, const std::string& path) {
    // A node that never loaded (no profile, no default profile) holds no settings to store.
    if (!isCreatableIndex(deviceSlot) || !node.isObject())
        return 1;
    Json::Value file = profileTreeForUpdate(store, path);
    elementForWrite(memberForWrite(file, member::kDevice), deviceSlot) = node;
    return writeProfileFile(file, path);
}

int CBasicProfiledata::writeProfileFile(const Json::Value& tree, const std::string& path) {
    return store.writeJsonFile(path, tree);
}

void CBasicProfiledata::setProfilePath(const std::string& path) {
    if (!path.empty())
        profilePath = path;
}

void CBasicProfiledata::setDefaultProfilePath(const std::string& path) {
    if (!path.empty())
        defaultProfilePath = path;
}

Json::Value CBasicProfiledata::loadProfile(const std::string& path) {
    Json::Value file = store.loadJsonFile(path);
    JsonLookup stored = JsonLookup(file)[member::kDevice][deviceSlot];
    deviceNode = stored.value();
    if (deviceNode.isObject())
        return deviceNode;
    Json::Value defaults = store.loadJsonFile(defaultProfilePath);
    deviceNode = JsonLookup(defaults)[member::kDevice][deviceSlot].value();
    if (!deviceNode.isObject() || !isCreatableIndex(deviceSlot))
        return deviceNode = Json::Value(); // nothing to heal with: the file stays as it is
    // The healed file keeps the list's name and identifier, so it exports as a profile that imports again.
    Json::Value healed = profileTreeForUpdate(store, path);
    const std::filesystem::path location(path);
    const std::string id = location.stem().string();
    if (!healed[member::kProfileUuid].isString())
        healed[member::kProfileUuid] = id;
    if (!healed[member::kProfileName].isString()) {
        const std::string listed = listedProfileName(location.parent_path().string(), id);
        healed[member::kProfileName] = listed.empty() ? id : listed;
    }
    elementForWrite(memberForWrite(healed, member::kDevice), deviceSlot) = deviceNode;
    writeProfileFile(healed, path);
    return deviceNode;
}

Json::Value CBasicProfiledata::loadLightConfig(const std::string& path) {
    lightConfig = store.loadJsonFile(path);
    lightConfigFolder = std::filesystem::path(path).parent_path().string();
    return lightConfig;
}

LightInfo CBasicProfiledata::readLightInfo() {
    LightInfo info;
    JsonLookup stored = deviceNode.isNull() ? JsonLookup() : node()[member::kLightInfo];
    if (stored.present()) {
        info.mode = stored[member::kSelectItem].toByte();
        info.brightness = stored[member::kLight].toByte();
        info.speed = stored[member::kSpeed].toByte();
        info.effect = stored[member::kFx].toByte();
        info.multiColour = stored[member::kMultiColor].toBool() ? 1 : 0;
        info.red = stored[member::kRed].toByte();
        info.green = stored[member::kGreen].toByte();
        info.blue = stored[member::kBlue].toByte();
    }
    lightInfo = info;
    return info;
}

void CBasicProfiledata::writeLightInfo(uint32_t first, uint32_t second, uint32_t third) {
    auto byteOf = [](uint32_t word, int index) { return static_cast<uint8_t>(word >> (8 * index)); };
    LightInfo info;
    info.mode = byteOf(first, 0);
    info.brightness = byteOf(first, 1);
    info.speed = byteOf(first, 2);
    info.effect = byteOf(first, 3);
    info.multiColour = byteOf(second, 0);
    info.red = byteOf(second, 1);
    info.green = byteOf(second, 2);
    info.blue = byteOf(second, 3);
    info.extra0 = byteOf(third, 0);
    info.extra1 = byteOf(third, 1);
    info.extra2 = byteOf(third, 2);
    writeLightInfo(info);
}

void CBasicProfiledata::writeLightInfo(const LightInfo& info) {
    lightInfo = info;
    Json::Value stored(Json::objectValue);
    stored[member::kSelectItem] = info.mode;
    stored[member::kLight] = info.brightness;
    stored[member::kSpeed] = info.speed;
    stored[member::kFx] = info.effect;
    stored[member::kMultiColor] = info.multiColour;
    stored[member::kRed] = info.red;
    stored[member::kGreen] = info.green;
    stored[member::kBlue] = info.blue;
    nodeForWrite(member::kLightInfo) = stored;
}

std::vector<LightListEntry> CBasicProfiledata::readLightList() {
    std::vector<LightListEntry> entries;
    JsonLookup list = node()[member::kLightList];
    for (int i = 0; i < list.size(); ++i) {
        JsonLookup element = list[i];
        LightListEntry entry;
        if (element.present()) {
            entry.mode = element[member::kLedRegMode].toByte();
            entry.brightness = element[member::kLedBrightness].toByte();
            entry.speed = element[member::kLedSpeed].toByte();
            entry.multiColour = element[member::kLedMultiColor].toBool() ? 1 : 0;
            entry.direction = element[member::kLedDirection].toBool() ? 1 : 0;
            entry.red = element[member::kLowerRed].toByte();
            entry.green = element[member::kLowerGreen].toByte();
            entry.blue = element[member::kLowerBlue].toByte();
            entry.present = 1;
        }
        entries.push_back(entry);
    }
    lightList = entries;
    return entries;
}

std::vector<KeyRecord> CBasicProfiledata::readKeyList() {
    std::vector<KeyRecord> records;
    JsonLookup list = node()[member::kKeyList];
    for (int i = 0; i < list.size(); ++i) {
        JsonLookup element = list[i];
        records.push_back(makeKeyRecord(static_cast<uint16_t>(i),
                                        decodeKeyAssignment(element[member::kAssignment].toInt()),
                                        decodeKeyAssignment(element[member::kDefaultAssignment].toInt())));
    }
    keyList = records;
    return records;
}

void CBasicProfiledata::writeKeyList(const std::vector<KeyRecord>& records) {
    keyList = records;
    Json::Value& list = nodeForWrite(member::kKeyList);
    for (std::size_t i = 0; i < records.size() && isCreatableIndex(static_cast<int>(i)); ++i)
        memberForWrite(elementForWrite(list, static_cast<int>(i)), member::kAssignment) =
            encodeKeyAssignment(records[i].current);
}

std::string CBasicProfiledata::lightEffectPath(const std::string& guid) const {
    if (!isPlainFileStem(guid)) {
        trace("light effect name refused: " + guid);
        return {};
    }
    std::filesystem::path folder(lightConfigFolder.empty() ? std::string(".") : lightConfigFolder);
    return (folder / (guid + std::string(kLightEffectExtension))).string();
}

std::vector<LedEffectStep> CBasicProfiledata::readLedEffects() {
    return readLedEffects(lightInfo.mode);
}

std::vector<LedEffectStep> CBasicProfiledata::readLedEffects(int entry) {
    std::vector<LedEffectStep> steps;
    if (!lightConfig.isNull() && entry >= 0) {
        std::string guid = JsonLookup(lightConfig)[member::kLightInfo][deviceSlot][entry][member::kGuid].toString();
        std::string path = lightEffectPath(guid);
        Json::Value effects = path.empty() ? Json::Value() : store.loadJsonFile(path);
        JsonLookup list = JsonLookup(effects)[member::kLedEffectList];
        for (int i = 0; i < list.size(); ++i) {
            JsonLookup element = list[i];
            LedEffectStep step;
            step.mode = element[member::kLedRegMode].toByte();
            step.direction = element[member::kLedDirection].toByte();
            step.brightness = element[member::kLedBrightness].toByte();
            step.speed = element[member::kLedSpeed].toByte();
            step.multiColour = element[member::kLedMultiColor].toByte();
            step.red = element[member::kLowerRed].toByte();
            step.green = element[member::kLowerGreen].toByte();
            step.blue = element[member::kLowerBlue].toByte();
            step.time = nonNegative(element[member::kTime].toInt());
            step.cycles = nonNegative(element[member::kCycle].toInt());
            steps.push_back(step);
        }
    }
    ledEffects = steps;
    return steps;
}

} // namespace pelan
