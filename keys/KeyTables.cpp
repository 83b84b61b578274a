#include "keys/KeyTables.h"

#include <array>

namespace pelan {
namespace {

constexpr KeyTableRow row(uint8_t type, uint8_t param1, uint8_t param2, std::string_view nameKey) {
    return {0, {type, param1, param2}, nameKey};
}

constexpr KeyTableRow keyRow(uint16_t keyCode, uint8_t type, uint8_t param1, uint8_t param2, std::string_view nameKey) {
    return {keyCode, {type, param1, param2}, nameKey};
}

// A plain keyboard key: type 0x20, no modifier, the HID usage in param2.
constexpr KeyTableRow plainKey(uint16_t keyCode, uint8_t usage, std::string_view nameKey) {
    return keyRow(keyCode, KeyType::Keyboard, 0, usage, nameKey);
}

// A consumer-control key: the 16-bit usage split into its low byte (param1) and high byte (param2).
constexpr KeyTableRow consumerKey(uint16_t keyCode, uint16_t usage, std::string_view nameKey) {
    return keyRow(keyCode, KeyType::Media, static_cast<uint8_t>(usage & 0xFF), static_cast<uint8_t>(usage >> 8),
                  nameKey);
}

constexpr std::array kMouseKeys{
    row(KeyType::MouseButton, 0x01, 0, "mouse_key_left"),  row(KeyType::MouseButton, 0x04, 0, "mouse_key_middle"),
    row(KeyType::MouseButton, 0x02, 0, "mouse_key_right"), row(KeyType::MouseButton, 0x10, 0, "mouse_key_forward"),
    row(KeyType::MouseButton, 0x08, 0, "mouse_key_back"),
};

constexpr std::array kDpiFunctions{
    row(KeyType::Dpi, 1, 0, "mouse_key_DPI_add"),
    row(KeyType::Dpi, 2, 0, "mouse_key_DPI_sub"),
    row(KeyType::Dpi, 3, 0, "mouse_key_DPI_loop"),
};

constexpr std::array kMediaFunctions{
    consumerKey(0, 0x0183, "media_text"),    consumerKey(0, 0x00CD, "media_play"),
    consumerKey(0, 0x00B7, "media_stop"),    consumerKey(0, 0x00B6, "media_prev"),
    consumerKey(0, 0x00B5, "media_next"),    consumerKey(0, 0x00EA, "media_vol_sub"),
    consumerKey(0, 0x00E9, "media_vol_add"), consumerKey(0, 0x00E2, "media_mute"),
    consumerKey(0, 0x0223, "web_text"),      consumerKey(0, 0x0227, "web_refresh"),
    consumerKey(0, 0x0226, "wed_stop"),      consumerKey(0, 0x0224, "wed_back"),
    consumerKey(0, 0x0225, "wed_forward"),   consumerKey(0, 0x022A, "wed_favorite"),
    consumerKey(0, 0x0221, "web_search"),    consumerKey(0, 0x0194, "media_mypc"),
    consumerKey(0, 0x0192, "media_calc"),    consumerKey(0, 0x018A, "media_mail"),
};

constexpr std::array kSystemFunctions{
    row(KeyType::System, 0x01, 0, "system_power"),
    row(KeyType::System, 0x02, 0, "system_sleep"),
    row(KeyType::System, 0x04, 0, "system_wake_up"),
};

// Left Ctrl with O, N, Z, S, C, X, V, F, A, minus, equals. The choice list's texts come from the page layout,
// so these rows carry no name key of their own.
constexpr std::array kCombinationKeys{
    row(KeyType::Keyboard, 0x01, 0x12, ""), row(KeyType::Keyboard, 0x01, 0x11, ""),
    row(KeyType::Keyboard, 0x01, 0x1D, ""), row(KeyType::Keyboard, 0x01, 0x16, ""),
    row(KeyType::Keyboard, 0x01, 0x06, ""), row(KeyType::Keyboard, 0x01, 0x1B, ""),
    row(KeyType::Keyboard, 0x01, 0x19, ""), row(KeyType::Keyboard, 0x01, 0x09, ""),
    row(KeyType::Keyboard, 0x01, 0x04, ""), row(KeyType::Keyboard, 0x01, 0x2D, ""),
    row(KeyType::Keyboard, 0x01, 0x2E, ""),
};

constexpr std::array kOfficeFunctions{
    row(KeyType::Office, 0, 0, "custem_cut"),        row(KeyType::Office, 0, 1, "custem_copy"),
    row(KeyType::Office, 0, 2, "custem_paste"),      row(KeyType::Office, 0, 3, "custem_undo"),
    row(KeyType::Office, 0, 4, "custem_select_all"), row(KeyType::Office, 0, 5, "custem_find"),
    row(KeyType::Office, 0, 6, "custem_new"),        row(KeyType::Office, 0, 7, "custem_save"),
    row(KeyType::Office, 0, 8, "custem_open"),
};

constexpr std::array kKeyboardKeys{
    // 0-7: lone modifiers
    keyRow(162, KeyType::Keyboard, 0x01, 0, "keyboard_key_LCtrl"),
    keyRow(160, KeyType::Keyboard, 0x02, 0, "keyboard_key_LShift"),
    keyRow(164, KeyType::Keyboard, 0x04, 0, "keyboard_key_LAlt"),
    keyRow(91, KeyType::Keyboard, 0x08, 0, "keyboard_key_LWin"),
    keyRow(163, KeyType::Keyboard, 0x10, 0, "keyboard_key_RCtrl"),
    keyRow(161, KeyType::Keyboard, 0x20, 0, "keyboard_key_RShift"),
    keyRow(165, KeyType::Keyboard, 0x40, 0, "keyboard_key_RAlt"),
    keyRow(92, KeyType::Keyboard, 0x80, 0, "keyboard_key_RWin"),
    // 8-33: letters
    plainKey(65, 0x04, "keyboard_key_A"),
    plainKey(66, 0x05, "keyboard_key_B"),
    plainKey(67, 0x06, "keyboard_key_C"),
    plainKey(68, 0x07, "keyboard_key_D"),
    plainKey(69, 0x08, "keyboard_key_E"),
    plainKey(70, 0x09, "keyboard_key_F"),
    plainKey(71, 0x0A, "keyboard_key_G"),
    plainKey(72, 0x0B, "keyboard_key_H"),
    plainKey(73, 0x0C, "keyboard_key_I"),
    plainKey(74, 0x0D, "keyboard_key_J"),
    plainKey(75, 0x0E, "keyboard_key_K"),
    plainKey(76, 0x0F, "keyboard_key_L"),
    plainKey(77, 0x10, "keyboard_key_M"),
    plainKey(78, 0x11, "keyboard_key_N"),
    plainKey(79, 0x12, "keyboard_key_O"),
    plainKey(80, 0x13, "keyboard_key_P"),
    plainKey(81, 0x14, "keyboard_key_Q"),
    plainKey(82, 0x15, "keyboard_key_R"),
    plainKey(83, 0x16, "keyboard_key_S"),
    plainKey(84, 0x17, "keyboard_key_T"),
    plainKey(85, 0x18, "keyboard_key_U"),
    plainKey(86, 0x19, "keyboard_key_V"),
    plainKey(87, 0x1A, "keyboard_key_W"),
    plainKey(88, 0x1B, "keyboard_key_X"),
    plainKey(89, 0x1C, "keyboard_key_Y"),
    plainKey(90, 0x1D, "keyboard_key_Z"),
    // 34-43: digits
    plainKey(49, 0x1E, "keyboard_key_1"),
    plainKey(50, 0x1F, "keyboard_key_2"),
    plainKey(51, 0x20, "keyboard_key_3"),
    plainKey(52, 0x21, "keyboard_key_4"),
    plainKey(53, 0x22, "keyboard_key_5"),
    plainKey(54, 0x23, "keyboard_key_6"),
    plainKey(55, 0x24, "keyboard_key_7"),
    plainKey(56, 0x25, "keyboard_key_8"),
    plainKey(57, 0x26, "keyboard_key_9"),
    plainKey(48, 0x27, "keyboard_key_0"),
    // 44-103: the rest of the main block, function keys, navigation and keypad
    plainKey(13, 0x28, "keyboard_key_Enter"),
    plainKey(27, 0x29, "keyboard_key_Esc"),
    plainKey(8, 0x2A, "keyboard_key_BackSpace"),
    plainKey(9, 0x2B, "keyboard_key_Tab"),
    plainKey(32, 0x2C, "keyboard_key_Space"),
    plainKey(189, 0x2D, "keyboard_key_-"),
    plainKey(187, 0x2E, "keyboard_key_="),
    plainKey(219, 0x2F, "keyboard_key_["),
    plainKey(221, 0x30, "keyboard_key_]"),
    plainKey(220, 0x31, "keyboard_key_xiegang"),
    plainKey(186, 0x33, "keyboard_key_;"),
    plainKey(222, 0x34, "keyboard_key_'"),
    plainKey(192, 0x35, "keyboard_key_`"),
    plainKey(188, 0x36, "keyboard_key_<"),
    plainKey(190, 0x37, "keyboard_key_."),
    plainKey(191, 0x38, "keyboard_key_/"),
    plainKey(20, 0x39, "keyboard_key_Caplk"),
    plainKey(112, 0x3A, "keyboard_key_F1"),
    plainKey(113, 0x3B, "keyboard_key_F2"),
    plainKey(114, 0x3C, "keyboard_key_F3"),
    plainKey(115, 0x3D, "keyboard_key_F4"),
    plainKey(116, 0x3E, "keyboard_key_F5"),
    plainKey(117, 0x3F, "keyboard_key_F6"),
    plainKey(118, 0x40, "keyboard_key_F7"),
    plainKey(119, 0x41, "keyboard_key_F8"),
    plainKey(120, 0x42, "keyboard_key_F9"),
    plainKey(121, 0x43, "keyboard_key_F10"),
    plainKey(122, 0x44, "keyboard_key_F11"),
    plainKey(123, 0x45, "keyboard_key_F12"),
    plainKey(44, 0x46, "keyboard_key_Print Scr"),
    plainKey(145, 0x47, "keyboard_key_Scroll Lock"),
    plainKey(19, 0x48, "keyboard_key_Pause"),
    plainKey(45, 0x49, "keyboard_key_Insert"),
    plainKey(36, 0x4A, "keyboard_key_Home"),
    plainKey(33, 0x4B, "keyboard_key_Page Up"),
    plainKey(46, 0x4C, "keyboard_key_Delete"),
    plainKey(35, 0x4D, "keyboard_key_End"),
    plainKey(34, 0x4E, "keyboard_key_Page Down"),
    plainKey(39, 0x4F, "keyboard_key_Right"),
    plainKey(37, 0x50, "keyboard_key_Left"),
    plainKey(40, 0x51, "keyboard_key_Down"),
    plainKey(38, 0x52, "keyboard_key_Up"),
    plainKey(144, 0x53, "keyboard_key_Num Lock"),
    plainKey(111, 0x54, "keyboard_key_Num /"),
    plainKey(106, 0x55, "keyboard_key_Num *"),
    plainKey(109, 0x56, "keyboard_key_Num -"),
    plainKey(107, 0x57, "keyboard_key_Num +"),
    plainKey(kKeyCodeNumEnter, 0x58, "keyboard_key_Num Enter"),
    plainKey(97, 0x59, "keyboard_key_Num 1"),
    plainKey(98, 0x5A, "keyboard_key_Num 2"),
    plainKey(99, 0x5B, "keyboard_key_Num 3"),
    plainKey(100, 0x5C, "keyboard_key_Num 4"),
    plainKey(101, 0x5D, "keyboard_key_Num 5"),
    plainKey(102, 0x5E, "keyboard_key_Num 6"),
    plainKey(103, 0x5F, "keyboard_key_Num 7"),
    plainKey(104, 0x60, "keyboard_key_Num 8"),
    plainKey(105, 0x61, "keyboard_key_Num 9"),
    plainKey(96, 0x62, "keyboard_key_Num 0"),
    plainKey(110, 0x63, "keyboard_key_Decimal"),
    plainKey(93, 0x65, "keyboard_key_App"),
    // 104-112: international keys
    plainKey(226, 0x64, "keyboard_key_K45"),
    plainKey(193, 0x87, "keyboard_key_K56"),
    plainKey(kKeyCodeNone, 0x89, "keyboard_key_K14"),
    plainKey(194, 0x85, "keyboard_key_K107"),
    plainKey(235, 0x8B, "keyboard_key_K131"),
    plainKey(kKeyCodeNone, 0x8A, "keyboard_key_K132"),
    plainKey(kKeyCodeNone, 0x88, "keyboard_key_K133"),
    plainKey(233, 0x91, "keyboard_key_K150"),
    plainKey(kKeyCodeNone, 0x90, "keyboard_key_K151"),
    // 113-130: consumer keys
    consumerKey(183, 0x0192, "keyboard_key_Launch App2"),
    consumerKey(172, 0x0223, "keyboard_key_Browaer Home"),
    consumerKey(179, 0x00CD, "keyboard_key_Media Play Pause"),
    consumerKey(170, 0x0221, "keyboard_key_Browser Search"),
    consumerKey(180, 0x018A, "keyboard_key_Launch Mail"),
    consumerKey(175, 0x00E9, "keyboard_key_Volume Up"),
    consumerKey(173, 0x00E2, "keyboard_key_Volume Mute"),
    consumerKey(178, 0x00B7, "keyboard_key_Media Stop"),
    consumerKey(174, 0x00EA, "keyboard_key_Volume Down"),
    consumerKey(171, 0x022A, "keyboard_key_Browser Favorites"),
    consumerKey(167, 0x0225, "keyboard_key_Browser ForWard"),
    consumerKey(166, 0x0224, "keyboard_key_Browser Back"),
    consumerKey(177, 0x00B6, "keyboard_key_Media Prev Track"),
    consumerKey(176, 0x00B5, "keyboard_key_Media Next Track"),
    consumerKey(182, 0x0194, "keyboard_key_Computer"),
    consumerKey(168, 0x0227, "keyboard_key_Browser Refresh"),
    consumerKey(169, 0x0226, "wed_stop"),
    consumerKey(181, 0x0183, "keyboard_key_Launch Media Select"),
    // 131-133: system keys
    keyRow(kKeyCodePower, KeyType::System, 0x01, 0, "keyboard_key_Power"),
    keyRow(kKeyCodeSleep, KeyType::System, 0x02, 0, "keyboard_key_Sleep"),
    keyRow(kKeyCodeWakeup, KeyType::System, 0x04, 0, "keyboard_key_Wakeup"),
    // 134-140: device-only keys
    keyRow(0, KeyType::KeyboardMacroKey, 0xA2, 1, "keyboard_key_M1"),
    keyRow(0, KeyType::KeyboardMacroKey, 0xA2, 2, "keyboard_key_M2"),
    keyRow(0, KeyType::KeyboardMacroKey, 0xA2, 3, "keyboard_key_M3"),
    keyRow(0, KeyType::KeyboardMacroKey, 0xA2, 4, "keyboard_key_M4"),
    keyRow(0, KeyType::KeyboardMacroKey, 0xA2, 5, "keyboard_key_M5"),
    keyRow(0, KeyType::Special, kSpecialFnKey, 0, "keyboard_key_FN"),
    keyRow(0, KeyType::Special, kSpecialGameModeKey, 0, "keyboard_key_GM"),
};
static_assert(kKeyboardKeys.size() == kKeyboardKeyRowCount);

constexpr KeyCaptureRow capture(uint8_t scanCode, bool extended = false) {
    return {0, scanCode, extended};
}

// Scan codes in keyboard row order; the key codes are filled in from the keyboard table below.
constexpr std::array kCaptureScanCodes{
    // 0-7: LCtrl, LShift, LAlt, LWin, RCtrl, RShift, RAlt, RWin
    capture(0x1D),
    capture(0x2A),
    capture(0x38),
    capture(0x5B, true),
    capture(0x1D, true),
    capture(0x36, true),
    capture(0x38, true),
    capture(0x5C, true),
    // 8-33: A-Z
    capture(0x1E),
    capture(0x30),
    capture(0x2E),
    capture(0x20),
    capture(0x12),
    capture(0x21),
    capture(0x22),
    capture(0x23),
    capture(0x17),
    capture(0x24),
    capture(0x25),
    capture(0x26),
    capture(0x32),
    capture(0x31),
    capture(0x18),
    capture(0x19),
    capture(0x10),
    capture(0x13),
    capture(0x1F),
    capture(0x14),
    capture(0x16),
    capture(0x2F),
    capture(0x11),
    capture(0x2D),
    capture(0x15),
    capture(0x2C),
    // 34-43: 1-9, 0
    capture(0x02),
    capture(0x03),
    capture(0x04),
    capture(0x05),
    capture(0x06),
    capture(0x07),
    capture(0x08),
    capture(0x09),
    capture(0x0A),
    capture(0x0B),
    // 44-60: Enter, Esc, BackSpace, Tab, Space, - = [ ] \ ; ' ` , . /, Caps Lock
    capture(0x1C),
    capture(0x01),
    capture(0x0E),
    capture(0x0F),
    capture(0x39),
    capture(0x0C),
    capture(0x0D),
    capture(0x1A),
    capture(0x1B),
    capture(0x2B),
    capture(0x27),
    capture(0x28),
    capture(0x29),
    capture(0x33),
    capture(0x34),
    capture(0x35),
    capture(0x3A),
    // 61-72: F1-F12
    capture(0x3B),
    capture(0x3C),
    capture(0x3D),
    capture(0x3E),
    capture(0x3F),
    capture(0x40),
    capture(0x41),
    capture(0x42),
    capture(0x43),
    capture(0x44),
    capture(0x57),
    capture(0x58),
    // 73-85: Print Screen, Scroll Lock, Pause, Insert, Home, Page Up, Delete, End, Page Down, arrows
    capture(0x37, true),
    capture(0x46),
    capture(0x45),
    capture(0x52, true),
    capture(0x47, true),
    capture(0x49, true),
    capture(0x53, true),
    capture(0x4F, true),
    capture(0x51, true),
    capture(0x4D, true),
    capture(0x4B, true),
    capture(0x50, true),
    capture(0x48, true),
    // 86-91: Num Lock, Num /, Num *, Num -, Num +, Num Enter
    capture(0x45, true),
    capture(0x35, true),
    capture(0x37),
    capture(0x4A),
    capture(0x4E),
    capture(0x1C, true),
    // 92-103: Num 1-9, Num 0, Decimal, App
    capture(0x4F),
    capture(0x50),
    capture(0x51),
    capture(0x4B),
    capture(0x4C),
    capture(0x4D),
    capture(0x47),
    capture(0x48),
    capture(0x49),
    capture(0x52),
    capture(0x53),
    capture(0x5D, true),
    // 104-112: ISO extra key, Ro, Yen, keypad comma, Muhenkan, Henkan, Katakana/Hiragana, Hanja, Hangul
    capture(0x56),
    capture(0x73),
    capture(0x7D),
    capture(0x7E),
    capture(0x7B),
    capture(0x79),
    capture(0x70),
    capture(0x71),
    capture(0x72),
};
static_assert(kCaptureScanCodes.size() == kKeyCaptureRowCount);

constexpr std::array<KeyCaptureRow, kKeyCaptureRowCount> makeCaptureTable() {
    std::array<KeyCaptureRow, kKeyCaptureRowCount> rows{};
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = {kKeyboardKeys[i].keyCode, kCaptureScanCodes[i].scanCode, kCaptureScanCodes[i].extended};
    return rows;
}

constexpr auto kKeyCapture = makeCaptureTable();

constexpr std::array<std::string_view, kGunCount> kGunNameKeys{"gun_1_txt", "gun_2_txt", "gun_3_txt", "gun_4_txt"};

std::string_view firstRowNameKey(std::span<const KeyTableRow> table, KeyAssignment value) {
    const auto found = findRowByParams(table, value.param1, value.param2);
    return found ? table[*found].nameKey : std::string_view{};
}

std::string_view keyboardValueNameKey(KeyAssignment value) {
    const bool lone = value.param1 == 0 || value.param2 == 0;
    std::optional<size_t> found;
    if (lone) {
        for (size_t i = 0; i < kKeyCaptureRowCount && !found; ++i)
            if (kKeyboardKeys[i].value.param1 == value.param1 && kKeyboardKeys[i].value.param2 == value.param2)
                found = i;
    } else {
        found = findKeyboardKeyRowByUsage(value.param2);
    }
    return found ? kKeyboardKeys[*found].nameKey : std::string_view{};
}

} // namespace

std::span<const KeyTableRow> mouseKeyTable() {
    return kMouseKeys;
}
std::span<const KeyTableRow> dpiTable() {
    return kDpiFunctions;
}
std::span<const KeyTableRow> mediaTable() {
    return kMediaFunctions;
}
std::span<const KeyTableRow> systemTable() {
    return kSystemFunctions;
}
std::span<const KeyTableRow> combinationKeyTable() {
    return kCombinationKeys;
}
std::span<const KeyTableRow> officeFunctionTable() {
    return kOfficeFunctions;
}
std::span<const KeyTableRow> keyboardKeyTable() {
    return kKeyboardKeys;
}
std::span<const KeyCaptureRow> keyCaptureTable() {
    return kKeyCapture;
}

std::optional<size_t> findRowByParams(std::span<const KeyTableRow> table, uint8_t param1, uint8_t param2) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].value.param1 == param1 && table[i].value.param2 == param2)
            return i;
    return std::nullopt;
}

std::optional<size_t> findRowByValue(std::span<const KeyTableRow> table, KeyAssignment value) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].value == value)
            return i;
    return std::nullopt;
}

std::optional<size_t> findKeyCaptureRow(uint8_t scanCode, bool extended) {
    for (size_t i = 0; i < kKeyCapture.size(); ++i)
        if (kKeyCapture[i].scanCode == scanCode && kKeyCapture[i].extended == extended)
            return i;
    return std::nullopt;
}

std::optional<size_t> findKeyboardKeyRowByUsage(uint8_t usage) {
    for (size_t i = kKeyboardModifierRows; i < kKeyboardKeys.size(); ++i) {
        const KeyAssignment& value = kKeyboardKeys[i].value;
        if (value.type == KeyType::Keyboard && value.param1 == 0 && value.param2 == usage)
            return i;
    }
    return std::nullopt;
}

std::optional<size_t> findKeyboardModifierRow(uint8_t modifierBit) {
    for (size_t i = 0; i < kKeyboardModifierRows; ++i)
        if (kKeyboardKeys[i].value.param1 == modifierBit)
            return i;
    return std::nullopt;
}

std::string_view gunNameKey(size_t gun) {
    return gun < kGunNameKeys.size() ? kGunNameKeys[gun] : std::string_view{};
}

std::string_view keyFunctionNameKey(KeyAssignment value) {
    switch (value.type) {
    case KeyType::MouseButton:
        return firstRowNameKey(kMouseKeys, value);
    case KeyType::Swing:
        return (value.param2 & 0x80) ? "mouse_key_right_Swing" : "mouse_key_left_Swing";
    case KeyType::Wheel:
        return (value.param2 & 0x80) ? "mouse_key_down_Swing" : "mouse_key_up_Swing";
    case KeyType::Dpi:
        return firstRowNameKey(kDpiFunctions, value);
    case KeyType::RapidFire:
        return "mouse_key_fire_key";
    case KeyType::DpiCycleDevice:
        return "mouse_key_DPI_loop";
    case KeyType::None:
    case KeyType::Keyboard:
        return keyboardValueNameKey(value);
    case KeyType::Office:
        return firstRowNameKey(kOfficeFunctions, value);
    case KeyType::DpiShift:
        return "mouse_key_DPI_shift";
    case KeyType::Media:
        return firstRowNameKey(kMediaFunctions, value);
    case KeyType::System:
        return firstRowNameKey(kSystemFunctions, value);
    case KeyType::GunKey:
        return gunNameKey(value.param1);
    case KeyType::Special:
        if (value.param2 != 0)
            return {};
        if (value.param1 == kSpecialDisabled)
            return "key_set_close_text";
        if (value.param1 == kSpecialGg)
            return "mouse_key_gg";
        return firstRowNameKey(keyboardKeyTable().subspan(kKeyboardDeviceKeyFirstRow), value);
    case KeyType::KeyboardMacroKey:
        return firstRowNameKey(keyboardKeyTable().subspan(kKeyboardMacroKeyFirstRow, kKeyboardMacroKeyRowCount), value);
    default:
        return {};
    }
}

} // namespace pelan
