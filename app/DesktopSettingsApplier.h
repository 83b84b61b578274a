#pragma once

#include "platform/SystemSettings.h"

#include <memory>

namespace pelan {

// Hands the desktop the pointer and keyboard settings the pages' controls stand for. Pointer speed and wheel lines
// go through short-lived threads of their own (each with its busy flag), so a slow desktop never holds up the
// window; the others are applied at once. A setting the desktop cannot take is traced, never shown to the user.
class DesktopSettingsApplier {
public:
    explicit DesktopSettingsApplier(SystemSettings& settings);

    // Slider positions and option states as the pages show them.
    void applyPointerSpeed(int sliderPosition);
    void applyWheelLines(int sliderPosition, bool pageScroll);
    void applyDoubleClickTime(int sliderPosition, int sliderMaximum);
    void applyPointerPrecision(bool enabled);
    void applyKeyboardSpeed(int sliderPosition);
    void applyKeyboardDelay(int option);

    bool pointerSpeedBusy() const { return pointerSpeed_.busy(); }
    bool wheelLinesBusy() const { return wheelLines_.busy(); }
    // Returns once both threads have applied what they were given.
    void waitUntilIdle();

private:
    void applyNow(SystemSetting setting, int value);

    SystemSettings& settings_;
    BackgroundSetter pointerSpeed_;
    BackgroundSetter wheelLines_;
};

} // namespace pelan
