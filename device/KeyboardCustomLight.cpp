#include "device/KeyboardCustomLight.h"

#include <algorithm>

#include "profile/CKeyboardProfiledata.h"

namespace pelan::keyboard {
namespace {

bool isLit(const RgbaColour& colour) {
    return colour.alpha != 0;
}

} // namespace

CustomLight::CustomLight() : colours_(kLedCount) {}

void CustomLight::load(CKeyboardProfiledata& profile, int group) {
    group_ = std::max(group, 0);
    colours_ = profile.readCustomLightColours(group_, int(kLedCount));
}

size_t CustomLight::paint(std::span<const int> leds, bool lit, light::Rgb colour) {
    const RgbaColour painted = lit ? RgbaColour{colour.red, colour.green, colour.blue, kLitAlpha} : RgbaColour{};
    size_t count = 0;
    for (int led : leds) {
        if (led < 0 || size_t(led) >= colours_.size())
            continue;
        colours_[size_t(led)] = painted;
        ++count;
    }
    return count;
}

void CustomLight::store(CKeyboardProfiledata& profile) const {
    profile.writeCustomLightGroup(group_);
    profile.writeCustomLightColours(colours_, group_);
}

void CustomLight::setEffects(std::vector<LedEffectStep> effects) {
    effects_ = std::move(effects);
    entry_ = 0;
    entryStart_.reset();
}

std::optional<LedEffectStep> CustomLight::effectAt(std::chrono::milliseconds now) {
    if (effects_.empty())
        return std::nullopt;
    if (!entryStart_) {
        entryStart_ = now;
    } else if (now - *entryStart_ >= std::chrono::milliseconds(effects_[entry_].time)) {
        entry_ = (entry_ + 1) % effects_.size();
        entryStart_ = now;
    }
    return effects_[entry_];
}

light::LedFrame CustomLight::frame() const {
    return frame(light::LedFrame(colours_.size(), light::packLed({}, kLitAlpha)));
}

light::LedFrame CustomLight::frame(const light::LedFrame& effectFrame) const {
    light::LedFrame leds(colours_.size(), 0);
    for (size_t i = 0; i < colours_.size() && i < effectFrame.size(); ++i)
        if (isLit(colours_[i]))
            leds[i] = light::packLed({colours_[i].red, colours_[i].green, colours_[i].blue},
                                     light::ledBrightness(effectFrame[i]));
    return leds;
}

std::vector<uint8_t> CustomLight::wireBytes() const {
    std::vector<uint8_t> bytes(colours_.size() * 3, 0);
    for (size_t i = 0; i < colours_.size(); ++i) {
        if (!isLit(colours_[i]))
            continue;
        bytes[3 * i] = colours_[i].red;
        bytes[3 * i + 1] = colours_[i].green;
        bytes[3 * i + 2] = colours_[i].blue;
    }
    return bytes;
}

} // namespace pelan::keyboard
