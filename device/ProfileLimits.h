#pragma once

#include <json/value.h>
#include <string>
#include <vector>

namespace pelan {

// What a device kind takes from its profile's device node, member by member. A file can hold anything (an import,
// a hand edit): what the device cannot take is clamped to the nearest value it can, before the page uses it and
// again before a block is encoded, and the user is told which members changed.
struct ProfileLimits {
    int maxBrightness = 4; // "LightInfo" "Light": a brightness level
    int maxSpeed = 4;      // "LightInfo" "Speed"
    // The report-rate index, 0 to this, under "ReportStages" "StageActive" (mouse) or "SystemStages" "PollingRate"
    // (keyboard); -1 where the kind has none.
    int maxReportRate = -1;
    bool reportRateInSystem = false;
    int stageCount = 0; // DPI stages: "StageActive" is 0 to stageCount - 1, each stage's codes 0 to maxDpiCode
    int maxDpiCode = 0;
    bool hasKeys = false; // "KeyList": each "Assignment" a 24-bit function code
};

// The limits of a device kind (1 keyboard, 2 and 6 mouse; the mousepad and the headset have their light setting
// only).
ProfileLimits profileLimitsOfKind(int deviceKind);

// Clamps the members of a device node that are out of range, in place, and returns their paths as the file names
// them ("DPIStages.StageDPIs[2].StageDPIX"). Members that are missing or not numbers are left alone: they read as 0,
// which every range holds. A key assignment outside 24 bits takes the key's default assignment.
std::vector<std::string> clampDeviceNode(Json::Value& node, const ProfileLimits& limits);

// The same over every device node of a whole profile file ("Device" array).
std::vector<std::string> clampProfileTree(Json::Value& tree, const ProfileLimits& limits);

// "a, b and c" of member paths, for a message.
std::string joinMemberPaths(const std::vector<std::string>& paths);

} // namespace pelan
