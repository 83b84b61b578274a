#include "device/PowerDisplay.h"

#include <algorithm>

namespace pelan {

namespace {

std::optional<std::string> chargingPictureFor(uint8_t charging) {
    switch (charging) {
    case powerdisplay::kCharged:
        return powerdisplay::kPoweredPicture;
    case powerdisplay::kCharging:
        return powerdisplay::kPoweringPicture;
    case powerdisplay::kOnBattery:
        return powerdisplay::kOnBatteryPicture;
    default:
        return std::nullopt;
    }
}

PhoneDisplay phoneNamed(const char* name) {
    return {name, std::string("file='power/") + name + ".png'"};
}

} // namespace

PhoneDisplay phoneDisplayFor(uint8_t phoneType) {
    switch (phoneType) {
    case powerdisplay::kPhoneIphone:
        return phoneNamed("Phone_type_iphone");
    case powerdisplay::kPhoneSamsung:
        return phoneNamed("Phone_type_samsung");
    case powerdisplay::kPhoneOther:
        return phoneNamed("Phone_type_other");
    default:
        return phoneNamed("Phone_type_no_device");
    }
}

PowerDisplayState decodePowerStatus(const PowerStatus& status, int displayMode) {
    PowerDisplayState state;
    const int charge = status.battery();
    state.valueText = std::to_string(charge) + "%";
    // A charge above 100 % would drive the bar past its range; it shows as full instead.
    state.progress = std::clamp(charge, 0, 100);
    state.wirelessMark = status.wirelessMark() != 0;
    state.chargingPicture = chargingPictureFor(status.chargingState());
    if (displayMode == powerdisplay::kPhoneDisplayMode)
        state.phone = phoneDisplayFor(status.phoneType());
    return state;
}

} // namespace pelan
