#include "light/SyncLighting.h"

#include <array>

namespace pelan::light {
namespace {

constexpr size_t kEffectCount = 5;
// The blink colour moves this far at each toggle.
constexpr uint8_t kBlinkColourJump = 14;

// Mode numbers by effect (breathing, static, blink, spectrum, off) for each column of device kinds.
using ModeColumn = std::array<uint8_t, kEffectCount>;
constexpr ModeColumn kKeyboardModes = {2, 3, 17, 1, 24};
constexpr ModeColumn kMouseModes = {1, 2, 4, 0, 7};
constexpr ModeColumn kPadModes = {2, 3, 4, 1, 8};

const ModeColumn* modeColumn(int kind) {
    switch (kind) {
    case 1:
        return &kKeyboardModes;
    case 2:
    case 6:
        return &kMouseModes;
    case 3:
    case 7:
        return &kPadModes;
    default:
        return nullptr;
    }
}

LedValue breathingStep(const SyncSetting& setting, SyncProgress& progress) {
    progress.breathingStep = setting.direction == 1 ? countUp(progress.breathingStep, 1, kBreathingSteps)
                                                    : countDown(progress.breathingStep, 1, kBreathingSteps);
    // A multicolour breath takes the next wheel colour while it is dark and keeps it for the whole breath.
    if (setting.multiColour != 0 && progress.breathingStep < 2)
        progress.breathingColour = countUp(progress.breathingColour, kColourIndexJump, kWheelSize);
    const Rgb colour = setting.multiColour != 0 ? wheelColour(progress.breathingColour) : setting.colour;
    const unsigned level = brightnessForLevel(setting.brightness);
    return packLed(colour, uint8_t((level * breathingCurve()[progress.breathingStep]) >> 8));
}

LedValue blinkStep(const SyncSetting& setting, SyncProgress& progress, std::chrono::milliseconds now) {
    if (now - progress.lastToggle >= blinkIntervalForSpeed(setting.speed)) {
        progress.blinkOn = !progress.blinkOn;
        progress.lastToggle = now;
        const unsigned next = unsigned(progress.blinkColour) + kBlinkColourJump;
        progress.blinkColour = next >= kWheelSize ? 0 : uint8_t(next);
    }
    if (!progress.blinkOn)
        return 0;
    const Rgb colour = setting.multiColour != 0 ? wheelColour(progress.blinkColour) : setting.colour;
    return packLed(colour, brightnessForLevel(setting.brightness));
}

} // namespace

std::optional<SyncEffect> syncEffectOfMode(int kind, uint8_t mode) {
    const ModeColumn* column = modeColumn(kind);
    if (column == nullptr)
        return std::nullopt;
    for (size_t effect = 0; effect < kEffectCount; ++effect)
        if ((*column)[effect] == mode)
            return SyncEffect(effect);
    return std::nullopt;
}

std::optional<uint8_t> syncModeOf(int kind, SyncEffect effect) {
    const ModeColumn* column = modeColumn(kind);
    if (column == nullptr || size_t(effect) >= kEffectCount)
        return std::nullopt;
    return (*column)[size_t(effect)];
}

uint8_t countUp(uint8_t counter, uint8_t step, uint8_t limit) {
    const unsigned next = unsigned(counter) + step;
    return next < limit ? uint8_t(next) : 0;
}

uint8_t countDown(uint8_t counter, uint8_t step, uint8_t limit) {
    const auto next = uint8_t(counter - step);
    return next < limit ? next : uint8_t(limit - step);
}

LedValue syncStep(const SyncSetting& setting, SyncProgress& progress, std::chrono::milliseconds now) {
    switch (setting.effect) {
    case SyncEffect::Breathing:
        return breathingStep(setting, progress);
    case SyncEffect::Static:
        return packLed(setting.colour, brightnessForLevel(setting.brightness));
    case SyncEffect::Blink:
        return blinkStep(setting, progress, now);
    case SyncEffect::Spectrum:
        progress.spectrumColour = countUp(progress.spectrumColour, 1, kWheelSize);
        return packLed(wheelColour(progress.spectrumColour), brightnessForLevel(setting.brightness));
    case SyncEffect::Off:
        break;
    }
    return 0;
}

bool SyncLighting::adopt(int kind, const LightInfo& light) {
    const std::optional<SyncEffect> effect = syncEffectOfMode(kind, light.mode);
    if (!effect)
        return false;
    std::lock_guard lock(lock_);
    setting_ = {*effect, light.brightness, light.speed, light.effect, light.multiColour, lightColour(light)};
    return true;
}

SyncSetting SyncLighting::setting() const {
    std::lock_guard lock(lock_);
    return setting_;
}

LedValue SyncLighting::step(std::chrono::milliseconds now) {
    std::lock_guard lock(lock_);
    return syncStep(setting_, progress_, now);
}

std::chrono::milliseconds SyncLighting::stepInterval(std::chrono::milliseconds tick) const {
    std::lock_guard lock(lock_);
    return tick * stepThresholdForSpeed(setting_.speed);
}

SyncProgress SyncLighting::progress() const {
    std::lock_guard lock(lock_);
    return progress_;
}

} // namespace pelan::light
