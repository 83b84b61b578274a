#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "light/LightEffects.h"
#include "profile/ProfileRecords.h"

namespace pelan {

// The mouse's settings block of one profile, at offset profile x 128 of its settings memory. The host reads 54
// bytes (80 over the wireless receiver) and writes 75: the 54 bytes followed by 21 zero bytes.
namespace mouse_block {
inline constexpr size_t kStride = 128;
inline constexpr size_t kReadLength = 54;
inline constexpr size_t kWirelessReadLength = 80;
inline constexpr size_t kWriteLength = 75;
inline constexpr size_t kStageCount = 6;
inline constexpr size_t kReadColourCount = 7;

inline constexpr size_t kProfileByte = 0;
inline constexpr size_t kMode = 1;
inline constexpr size_t kBrightness = 2;
inline constexpr size_t kSpeed = 3; // 4 - speed over a cable, the speed itself over the receiver
inline constexpr size_t kEffect = 4;
inline constexpr size_t kMultiColour = 5;
inline constexpr size_t kRed = 6;
inline constexpr size_t kGreen = 7;
inline constexpr size_t kBlue = 8;
inline constexpr size_t kReportRate = 14;
inline constexpr size_t kActiveStage = 23;
inline constexpr size_t kStageColours = 30;
// Low byte of each stage's DPI code; the high byte follows.
inline constexpr std::array<size_t, kStageCount> kStageCode = {15, 17, 19, 21, 24, 26};

// Modes from 9 on are custom effects the device does not know; it is sent mode 0 instead.
inline constexpr uint8_t kFirstCustomMode = 9;
// In ripple mode the device takes no multicolour flag.
inline constexpr uint8_t kRippleMode = 5;
inline constexpr uint8_t kMaxSpeed = 4;
inline constexpr uint8_t kMaxBrightness = 4;
inline constexpr uint8_t kMaxReportRate = 4;
} // namespace mouse_block

using MouseSettingsBytes = std::array<uint8_t, mouse_block::kWriteLength>;

// The last settings block read, field by field.
struct MouseSettingsMirror {
    LightInfo light; // effect holds block byte 4
    uint8_t reportRate = 0;
    uint8_t activeStage = 0;
    std::array<uint16_t, mouse_block::kStageCount> stageCodes{};
    std::array<light::Rgb, mouse_block::kReadColourCount> stageColours{};
};

// What the host writes into a settings block.
struct MouseSettingsSource {
    LightInfo light;
    uint8_t reportRate = 0;
    uint8_t activeStage = 0;
    std::array<uint16_t, mouse_block::kStageCount> stageCodes{};
    uint8_t firstByte = 0;
};

MouseSettingsBytes encodeMouseSettings(const MouseSettingsSource& source, bool wireless);

// Decodes a block of at least 54 bytes read from the mouse (a shorter one gives an empty mirror). Byte 0, the
// active profile index, is the caller's. A speed byte above 4 (which no cable speed encodes) reads as speed 0.
MouseSettingsMirror decodeMouseSettings(std::span<const uint8_t> block);

// DPI of a stage DPI code (the DPI slider position, 0 to 73): 100 DPI steps from 200 up to code 48 (5000),
// 200 DPI steps above (5200 at 49, 10000 at 73).
inline constexpr int kMaxDpiCode = 73;
inline constexpr int kMaxDpi = 10000;
int dpiFromCode(int code);
// The code of the nearest DPI the mouse offers (codes 0 to 73); ties go to the higher code.
int codeFromDpi(int dpi);
// A DPI typed into a DPI edit: a decimal number (empty counts as 0), raised to at least minimumDpi.
int dpiFromEditText(std::string_view text, int minimumDpi);

} // namespace pelan
