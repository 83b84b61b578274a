#include "device/ProfileLimits.h"

#include "device/KeyboardLayout.h"
#include "device/MouseSettingsBlock.h"
#include "device/SupportedDevices.h"
#include "profile/ProfileMembers.h"

#include <cmath>

namespace pelan {
namespace {

constexpr int kMaxByte = 255;
constexpr int64_t kMaxAssignment = 0xFFFFFF;

// The member of an object, or null; never adds one.
Json::Value* child(Json::Value& object, const char* name) {
    return object.isObject() && object.isMember(name) ? &object[name] : nullptr;
}

class NodeClamper {
public:
    explicit NodeClamper(std::vector<std::string>& changed) : changed_(changed) {}

    // Clamps object[name] to low..high when it is a number outside that range (or not a whole one).
    void clamp(Json::Value& object, const char* name, int64_t low, int64_t high, const std::string& path) {
        Json::Value* member = child(object, name);
        if (member == nullptr || !member->isNumeric() || member->isBool())
            return;
        Json::Value& value = *member;
        const double number = value.asDouble();
        if (value.isIntegral() && number >= double(low) && number <= double(high))
            return;
        value = Json::Int64(!std::isfinite(number) || number < double(low) ? low
                            : number > double(high)                        ? high
                                                                           : int64_t(std::floor(number)));
        changed_.push_back(path + name);
    }

private:
    std::vector<std::string>& changed_;
};

void clampLight(Json::Value& node, const ProfileLimits& limits, NodeClamper& clamper) {
    Json::Value* light = child(node, member::kLightInfo);
    if (light == nullptr)
        return;
    const std::string path = std::string(member::kLightInfo) + ".";
    clamper.clamp(*light, member::kSelectItem, 0, kMaxByte, path);
    clamper.clamp(*light, member::kLight, 0, limits.maxBrightness, path);
    clamper.clamp(*light, member::kSpeed, 0, limits.maxSpeed, path);
    clamper.clamp(*light, member::kFx, 0, kMaxByte, path);
    for (const char* colour : {member::kRed, member::kGreen, member::kBlue})
        clamper.clamp(*light, colour, 0, kMaxByte, path);
}

void clampStages(Json::Value& node, const ProfileLimits& limits, NodeClamper& clamper) {
    Json::Value* found = child(node, member::kDpiStages);
    if (limits.stageCount <= 0 || found == nullptr)
        return;
    Json::Value& stages = *found;
    const std::string path = std::string(member::kDpiStages) + ".";
    clamper.clamp(stages, member::kStageActive, 0, limits.stageCount - 1, path);
    Json::Value* stageList = child(stages, member::kStageDpis);
    if (stageList == nullptr || !stageList->isArray())
        return;
    Json::Value& list = *stageList;
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        const std::string at = path + member::kStageDpis + "[" + std::to_string(i) + "].";
        clamper.clamp(list[i], member::kStageDpiX, 0, limits.maxDpiCode, at);
        clamper.clamp(list[i], member::kStageDpiY, 0, limits.maxDpiCode, at);
        for (const char* colour : {member::kStageColorR, member::kStageColorG, member::kStageColorB})
            clamper.clamp(list[i], colour, 0, kMaxByte, at);
    }
}

void clampReportRate(Json::Value& node, const ProfileLimits& limits, NodeClamper& clamper) {
    const char* holder = limits.reportRateInSystem ? member::kSystemStages : member::kReportStages;
    const char* name = limits.reportRateInSystem ? member::kPollingRate : member::kStageActive;
    if (Json::Value* found = child(node, holder); limits.maxReportRate >= 0 && found != nullptr)
        clamper.clamp(*found, name, 0, limits.maxReportRate, std::string(holder) + ".");
}

// A code that does not fit the three bytes of a key table entry takes the key's default one.
void clampKeys(Json::Value& node, const ProfileLimits& limits, std::vector<std::string>& changed) {
    Json::Value* list = child(node, member::kKeyList);
    if (!limits.hasKeys || list == nullptr || !list->isArray())
        return;
    const auto fits = [](const Json::Value* value) {
        return value != nullptr && value->isIntegral() && !value->isBool() && value->asDouble() >= 0 &&
               value->asDouble() <= double(kMaxAssignment);
    };
    Json::Value& keys = *list;
    for (Json::ArrayIndex i = 0; i < keys.size(); ++i) {
        Json::Value* value = child(keys[i], member::kAssignment);
        if (value == nullptr || !value->isNumeric() || fits(value))
            continue;
        const Json::Value* fallback = child(keys[i], member::kDefaultAssignment);
        *value = fits(fallback) ? fallback->asInt() : 0;
        changed.push_back(std::string(member::kKeyList) + "[" + std::to_string(i) + "]." + member::kAssignment);
    }
}

} // namespace

ProfileLimits profileLimitsOfKind(int deviceKind) {
    ProfileLimits limits;
    if (deviceKind == kDeviceKindMouse || deviceKind == kDeviceKindWirelessMouse) {
        limits.maxReportRate = mouse_block::kMaxReportRate;
        limits.stageCount = int(mouse_block::kStageCount);
        limits.maxDpiCode = kMaxDpiCode;
        limits.hasKeys = true;
    } else if (deviceKind == kDeviceKindKeyboard) {
        limits.maxReportRate = keyboard::kMaxPollingRate;
        limits.reportRateInSystem = true;
        limits.hasKeys = true;
    }
    return limits;
}

std::vector<std::string> clampDeviceNode(Json::Value& node, const ProfileLimits& limits) {
    std::vector<std::string> changed;
    NodeClamper clamper(changed);
    clampLight(node, limits, clamper);
    clampStages(node, limits, clamper);
    clampReportRate(node, limits, clamper);
    clampKeys(node, limits, changed);
    return changed;
}

std::vector<std::string> clampProfileTree(Json::Value& tree, const ProfileLimits& limits) {
    std::vector<std::string> changed;
    Json::Value* nodes = child(tree, member::kDevice);
    if (nodes == nullptr || !nodes->isArray())
        return changed;
    for (Json::Value& node : *nodes)
        for (std::string& path : clampDeviceNode(node, limits))
            changed.push_back(std::move(path));
    return changed;
}

std::string joinMemberPaths(const std::vector<std::string>& paths) {
    std::string text;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (i > 0)
            text += i + 1 == paths.size() ? " and " : ", ";
        text += paths[i];
    }
    return text;
}

} // namespace pelan
