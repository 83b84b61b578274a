#include "device/MouseSettingsBlock.h"

#include <algorithm>

#include "keys/DecimalText.h"

namespace pelan {
namespace {

using namespace mouse_block;

constexpr std::array<light::Rgb, kStageCount> kWrittenStageColours = {light::Rgb{255, 0, 0},   light::Rgb{0, 255, 0},
                                                                      light::Rgb{0, 0, 255},   light::Rgb{0, 255, 255},
                                                                      light::Rgb{255, 0, 255}, light::Rgb{255, 50, 0}};

constexpr int kSmallStepLastCode = 48;
constexpr int kMinDpi = 200;

uint8_t encodedSpeed(uint8_t speed, bool wireless) {
    const uint8_t bounded = std::min(speed, kMaxSpeed);
    return wireless ? bounded : uint8_t(kMaxSpeed - bounded);
}

} // namespace

MouseSettingsBytes encodeMouseSettings(const MouseSettingsSource& source, bool wireless) {
    MouseSettingsBytes block{};
    const LightInfo& light = source.light;
    block[kProfileByte] = source.firstByte;
    block[kMode] = light.mode >= kFirstCustomMode ? 0 : light.mode;
    // The profile was brought into range when it was loaded; what reaches the wire is held to it once more.
    block[kBrightness] = std::min(light.brightness, kMaxBrightness);
    block[kSpeed] = encodedSpeed(light.speed, wireless);
    block[kEffect] = light.effect;
    block[kMultiColour] = light.mode == kRippleMode ? 0 : light.multiColour;
    block[kRed] = light.red;
    block[kGreen] = light.green;
    block[kBlue] = light.blue;
    block[kReportRate] = std::min(source.reportRate, kMaxReportRate);
    block[kActiveStage] = std::min(source.activeStage, uint8_t(kStageCount - 1));
    for (size_t s = 0; s < kStageCount; ++s) {
        const auto code = std::min(source.stageCodes[s], uint16_t(kMaxDpiCode));
        block[kStageCode[s]] = uint8_t(code);
        block[kStageCode[s] + 1] = uint8_t(code >> 8);
    }
    for (size_t s = 0; s < kStageCount; ++s) {
        block[kStageColours + 3 * s] = kWrittenStageColours[s].red;
        block[kStageColours + 3 * s + 1] = kWrittenStageColours[s].green;
        block[kStageColours + 3 * s + 2] = kWrittenStageColours[s].blue;
    }
    return block;
}

MouseSettingsMirror decodeMouseSettings(std::span<const uint8_t> block) {
    MouseSettingsMirror mirror;
    if (block.size() < kReadLength)
        return mirror;
    LightInfo& light = mirror.light;
    light.mode = block[kMode];
    light.brightness = block[kBrightness];
    light.speed = block[kSpeed] <= kMaxSpeed ? uint8_t(kMaxSpeed - block[kSpeed]) : 0;
    light.effect = block[kEffect];
    light.multiColour = light.mode == kRippleMode ? 0 : block[kMultiColour];
    light.red = block[kRed];
    light.green = block[kGreen];
    light.blue = block[kBlue];
    mirror.reportRate = block[kReportRate];
    mirror.activeStage = block[kActiveStage];
    for (size_t s = 0; s < kStageCount; ++s)
        mirror.stageCodes[s] = uint16_t(block[kStageCode[s]] | (block[kStageCode[s] + 1] << 8));
    for (size_t c = 0; c < kReadColourCount; ++c)
        mirror.stageColours[c] = {block[kStageColours + 3 * c], block[kStageColours + 3 * c + 1],
                                  block[kStageColours + 3 * c + 2]};
    return mirror;
}

int dpiFromCode(int code) {
    const int bounded = std::clamp(code, 0, kMaxDpiCode);
    return bounded <= kSmallStepLastCode ? bounded * 100 + kMinDpi : bounded * 200 - 4600;
}

// A typed DPI between two stages goes down to the lower one: 100 DPI steps up to 5000, 200 DPI steps above.
int codeFromDpi(int dpi) {
    const int bounded = std::clamp(dpi, kMinDpi, kMaxDpi);
    const int lastSmallStepDpi = dpiFromCode(kSmallStepLastCode);
    if (bounded <= lastSmallStepDpi)
        return (bounded - kMinDpi) / 100;
    return std::min((bounded - lastSmallStepDpi) / 200 + kSmallStepLastCode, kMaxDpiCode);
}

int dpiFromEditText(std::string_view text, int minimumDpi) {
    const int64_t typed = parseDecimalTextClamped(text.empty() ? std::string_view("0") : text, kMaxDpi);
    return std::max(int(typed), minimumDpi);
}

} // namespace pelan
