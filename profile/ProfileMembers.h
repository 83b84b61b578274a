#pragma once

// Member names of the profile files and the factory files, exactly as stored (misspellings included).
namespace pelan::member {

// Profile root.
inline constexpr const char* kProfileName = "profilename";
inline constexpr const char* kProfileUuid = "profileUUID";
inline constexpr const char* kDevice = "Device";

// Profile list ("ProfileList.ini").
inline constexpr const char* kProfileList = "profilelist";
inline constexpr const char* kProfileSelect = "profileselect";
inline constexpr const char* kProfileIsLink = "profileislink";
inline constexpr const char* kProfileLinkName = "profilelinkmame";

// Light setting.
inline constexpr const char* kLightInfo = "LightInfo";
inline constexpr const char* kSelectItem = "SelectItem";
inline constexpr const char* kLight = "Light";
inline constexpr const char* kSpeed = "Speed";
inline constexpr const char* kFx = "Fx";
inline constexpr const char* kMultiColor = "MultiColor";
inline constexpr const char* kRed = "Red";
inline constexpr const char* kGreen = "Green";
inline constexpr const char* kBlue = "Blue";
inline constexpr const char* kAlpha = "Alpha";

// Light regions and light effect steps.
inline constexpr const char* kLightList = "LightList";
inline constexpr const char* kLedEffectList = "LEDEffectList";
inline constexpr const char* kLedRegMode = "LEDREGMode";
inline constexpr const char* kLedBrightness = "LEDBrightness";
inline constexpr const char* kLedSpeed = "LEDSpeed";
inline constexpr const char* kLedMultiColor = "LEDMultiColor";
inline constexpr const char* kLedDirection = "LEDDirection";
inline constexpr const char* kLowerRed = "red";
inline constexpr const char* kLowerGreen = "green";
inline constexpr const char* kLowerBlue = "blue";
inline constexpr const char* kTime = "Time";
inline constexpr const char* kCycle = "Cyle";
inline constexpr const char* kGuid = "Guid";
inline constexpr const char* kLightName = "LightName";
inline constexpr const char* kVisible = "visible";
inline constexpr const char* kDefaultLightName = "DefaultLightName";
inline constexpr const char* kAreaLightName = "AreaLightName";

// Keys.
inline constexpr const char* kKeyList = "KeyList";
inline constexpr const char* kAssignment = "Assignment";
inline constexpr const char* kDefaultAssignment = "DefaultAssignment";

// Mouse.
inline constexpr const char* kDpiStages = "DPIStages";
inline constexpr const char* kStageActive = "StageActive";
inline constexpr const char* kStageDpis = "StageDPIs";
inline constexpr const char* kStageXy = "StageXY";
inline constexpr const char* kStageDpiX = "StageDPIX";
inline constexpr const char* kStageDpiY = "StageDPIY";
inline constexpr const char* kStageColorR = "StageColorR";
inline constexpr const char* kStageColorG = "StageColorG";
inline constexpr const char* kStageColorB = "StageColorB";
inline constexpr const char* kSystemStages = "SystemStages";
inline constexpr const char* kDoubleClickTime = "DoubleClickTime";
inline constexpr const char* kMouseSpeed = "MouseSpeed";
inline constexpr const char* kPointerPrecision = "PointerPrecision";
inline constexpr const char* kScrollPage = "ScorllPage";
inline constexpr const char* kWheelScrollLines = "WheelScorlllinse";
inline constexpr const char* kReportStages = "ReportStages";
inline constexpr const char* kCorrectInfo = "CorrectInfo";
inline constexpr const char* kCorrectPixThresh = "CorrectPixThresh";
inline constexpr const char* kCorrectMinSq = "CorrectMinSq";
inline constexpr const char* kCorrectSelect = "CorrectSelect";
inline constexpr const char* kCorrectName = "CorrectName";

// Keyboard.
inline constexpr const char* kRepeat = "Repeat";
inline constexpr const char* kRepeatDelay = "RepeatDelay";
inline constexpr const char* kKey6Flag = "Key6Flag";
inline constexpr const char* kPollingRate = "PollingRate";
inline constexpr const char* kWFlag = "WFlag";
inline constexpr const char* kWinFlag = "WinFlag";
inline constexpr const char* kCustomLightMode = "CustomLightMode";
inline constexpr const char* kLightColorInfo = "LightColorInfo";
inline constexpr const char* kCustomLightModeGroupIndex = "CustomLightModeGroupIndex";

// Headset.
inline constexpr const char* kSystemSetStages = "SystemSetStages";
inline constexpr const char* kMagicEnable = "MagicEnable";
inline constexpr const char* kMagicType = "MagicType";
inline constexpr const char* kEqType = "EqType";
inline constexpr const char* kCustomEqSelectIndex = "CustomEqSeletIndex";
inline constexpr const char* kMicInSelect = "MicInSelect";
inline constexpr const char* kMicInValue = "MicInValue";
inline constexpr const char* kMicMonitorSelect = "MicMoniterSelect";
inline constexpr const char* kMicMonitorValue = "MicMoniterValue";
inline constexpr const char* kEqHzValueInfo = "EQHzValueInfo";
inline constexpr const char* kCustomEqNameInfo = "CustomEQNameInfo";
inline constexpr const char* kCustomEqHzValueInfo = "CustomEQHzValueInfo";
inline constexpr const char* kName = "Name";
inline constexpr const char* kValue = "value";

} // namespace pelan::member
