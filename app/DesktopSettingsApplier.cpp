#include "app/DesktopSettingsApplier.h"

#include "platform/Trace.h"

#include <string>

namespace pelan {

DesktopSettingsApplier::DesktopSettingsApplier(SystemSettings& settings)
    : settings_(settings), pointerSpeed_(settings, SystemSetting::PointerSpeed),
      wheelLines_(settings, SystemSetting::WheelLines) {}

void DesktopSettingsApplier::applyPointerSpeed(int sliderPosition) {
    pointerSpeed_.request(pointerSpeedFromSlider(sliderPosition));
}

void DesktopSettingsApplier::applyWheelLines(int sliderPosition, bool pageScroll) {
    wheelLines_.request(wheelLinesFromSlider(sliderPosition, pageScroll));
}

void DesktopSettingsApplier::applyDoubleClickTime(int sliderPosition, int sliderMaximum) {
    applyNow(SystemSetting::DoubleClickTime, doubleClickTimeFromSlider(sliderPosition, sliderMaximum));
}

void DesktopSettingsApplier::applyPointerPrecision(bool enabled) {
    applyNow(SystemSetting::PointerPrecision, enabled ? 1 : 0);
}

void DesktopSettingsApplier::applyKeyboardSpeed(int sliderPosition) {
    applyNow(SystemSetting::KeyboardSpeed, keyboardSpeedFromSlider(sliderPosition));
}

void DesktopSettingsApplier::applyKeyboardDelay(int option) {
    applyNow(SystemSetting::KeyboardDelay, keyboardDelayFromOption(option));
}

void DesktopSettingsApplier::waitUntilIdle() {
    pointerSpeed_.waitUntilIdle();
    wheelLines_.waitUntilIdle();
}

void DesktopSettingsApplier::applyNow(SystemSetting setting, int value) {
    if (!settings_.set(setting, value))
        trace("desktop setting " + std::string(systemSettingName(setting)) + " = " + std::to_string(value) +
              " not taken");
}

} // namespace pelan
