#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "device/UsbDeviceModel.h"

namespace pelan {

// What the power display (battery, charging state, wireless mark and the phone on the charging pad) shows for a
// status record of the periodic status read.
namespace powerdisplay {
inline constexpr const char* kValueControl = "device_power_value";
inline constexpr const char* kWirelessControl = "device_wuxian_logo";
inline constexpr const char* kProgressControl = "device_Power_progress";
inline constexpr const char* kStatusControl = "device_power_status";
inline constexpr const char* kPhoneControl = "device_phone_type";
inline constexpr const char* kLayoutControl = "device_power_Layout";

inline constexpr const char* kPoweredPicture = "file='power/powered.png'";
inline constexpr const char* kPoweringPicture = "file='power/powering.png'";
inline constexpr const char* kOnBatteryPicture = "file='power/power.png'";

inline constexpr uint8_t kCharged = 0;
inline constexpr uint8_t kCharging = 1;
inline constexpr uint8_t kOnBattery = 2;

inline constexpr uint8_t kPhoneIphone = 1;
inline constexpr uint8_t kPhoneSamsung = 2;
inline constexpr uint8_t kPhoneOther = 3;

// The display mode in which the phone on the charging pad is shown.
inline constexpr int kPhoneDisplayMode = 3;
} // namespace powerdisplay

// What the phone control shows: its control name and its picture.
struct PhoneDisplay {
    std::string name;
    std::string picture;

    friend bool operator==(const PhoneDisplay&, const PhoneDisplay&) = default;
};

// What the power display shows for one status. Empty optionals leave their control as it is.
struct PowerDisplayState {
    std::string valueText; // the charge followed by "%"
    int progress = 0;      // the charge, kept within 0..100: the bar fills from the left
    bool wirelessMark = false;
    std::optional<std::string> chargingPicture;
    std::optional<PhoneDisplay> phone;

    friend bool operator==(const PowerDisplayState&, const PowerDisplayState&) = default;
};

// The phone control's name and picture for a phone type byte.
PhoneDisplay phoneDisplayFor(uint8_t phoneType);

// Decodes a status record for a power display in `displayMode`. The phone is decided only in the mode that shows
// it; an unknown charging state leaves the picture unchanged.
PowerDisplayState decodePowerStatus(const PowerStatus& status, int displayMode);

} // namespace pelan
