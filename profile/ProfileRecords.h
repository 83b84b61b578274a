#pragma once

#include <cstdint>
#include <string>

namespace pelan {

// The device's current light setting. extra0-extra2 are not stored in the profile; the device page fills them.
struct LightInfo {
    uint8_t mode = 0;
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t effect = 0;
    uint8_t multiColour = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t extra0 = 0;
    uint8_t extra1 = 0;
    uint8_t extra2 = 0;

    friend bool operator==(const LightInfo&, const LightInfo&) = default;
};

// The light setting of one region ("LightList" element). present is 0 for an element that was null.
struct LightListEntry {
    uint8_t mode = 0;
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t direction = 0;
    uint8_t multiColour = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t extra0 = 0;
    uint8_t extra1 = 0;
    uint8_t present = 0;

    friend bool operator==(const LightListEntry&, const LightListEntry&) = default;
};

// One step of a light effect file. A negative stored time or cycle count reads as 0.
struct LedEffectStep {
    uint8_t mode = 0;
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t direction = 0;
    uint8_t multiColour = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint32_t reserved = 0;
    uint32_t time = 0;
    uint32_t cycles = 0;

    friend bool operator==(const LedEffectStep&, const LedEffectStep&) = default;
};

struct DpiStage {
    uint8_t enabled = 0;
    uint8_t separateXY = 0;
    uint16_t dpiX = 0;
    uint16_t dpiY = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    friend bool operator==(const DpiStage&, const DpiStage&) = default;
};

struct CorrectionPreset {
    uint8_t pixelThreshold = 0;
    uint8_t minimumSquare = 0;
    uint8_t selection = 0;
    std::string name;

    friend bool operator==(const CorrectionPreset&, const CorrectionPreset&) = default;
};

struct RgbaColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 0;

    friend bool operator==(const RgbaColour&, const RgbaColour&) = default;
};

// Three 32-bit words, each packing two 16-bit settings with the first in the low half.
struct SystemWords {
    uint32_t word0 = 0;
    uint32_t word1 = 0;
    uint32_t word2 = 0;

    friend bool operator==(const SystemWords&, const SystemWords&) = default;
};

constexpr uint16_t lowHalf(uint32_t word) {
    return static_cast<uint16_t>(word & 0xFFFFu);
}
constexpr uint16_t highHalf(uint32_t word) {
    return static_cast<uint16_t>(word >> 16);
}
constexpr uint32_t packHalves(uint16_t low, uint16_t high) {
    return uint32_t{low} | (uint32_t{high} << 16);
}

// The headset's stored audio settings, in the order they are kept.
struct HeadsetSettings {
    int32_t magicEnable = 0;
    int32_t magicType = 0;
    int32_t eqType = 0;
    int32_t customEqSlot = 0;
    int32_t micInSelect = 0;
    int32_t micInValue = 0;
    int32_t micMonitorSelect = 0;
    int32_t micMonitorValue = 0;

    friend bool operator==(const HeadsetSettings&, const HeadsetSettings&) = default;
};

} // namespace pelan
