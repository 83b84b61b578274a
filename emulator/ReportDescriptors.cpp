#include "emulator/ReportDescriptors.h"

namespace pelan::emu {

const std::vector<uint8_t>& bootMouseDescriptor() {
    static const std::vector<uint8_t> descriptor = {
        0x05, 0x01, // Usage Page (Generic Desktop)
        0x09, 0x02, // Usage (Mouse)
        0xA1, 0x01, // Collection (Application)
        0x09, 0x01, //   Usage (Pointer)
        0xA1, 0x00, //   Collection (Physical)
        0x05, 0x09, //     Usage Page (Button)
        0x19, 0x01, //     Usage Minimum (Button 1)
        0x29, 0x05, //     Usage Maximum (Button 5)
        0x15, 0x00, //     Logical Minimum (0)
        0x25, 0x01, //     Logical Maximum (1)
        0x95, 0x05, //     Report Count (5)
        0x75, 0x01, //     Report Size (1)
        0x81, 0x02, //     Input (Data, Variable, Absolute): buttons
        0x95, 0x01, //     Report Count (1)
        0x75, 0x03, //     Report Size (3)
        0x81, 0x01, //     Input (Constant): padding to a byte
        0x05, 0x01, //     Usage Page (Generic Desktop)
        0x09, 0x30, //     Usage (X)
        0x09, 0x31, //     Usage (Y)
        0x09, 0x38, //     Usage (Wheel)
        0x15, 0x81, //     Logical Minimum (-127)
        0x25, 0x7F, //     Logical Maximum (127)
        0x75, 0x08, //     Report Size (8)
        0x95, 0x03, //     Report Count (3)
        0x81, 0x06, //     Input (Data, Variable, Relative): X, Y, wheel
        0xC0,       //   End Collection
        0xC0,       // End Collection
    };
    return descriptor;
}

const std::vector<uint8_t>& bootKeyboardDescriptor() {
    static const std::vector<uint8_t> descriptor = {
        0x05, 0x01,       // Usage Page (Generic Desktop)
        0x09, 0x06,       // Usage (Keyboard)
        0xA1, 0x01,       // Collection (Application)
        0x05, 0x07,       //   Usage Page (Keyboard/Keypad)
        0x19, 0xE0,       //   Usage Minimum (Left Control)
        0x29, 0xE7,       //   Usage Maximum (Right GUI)
        0x15, 0x00,       //   Logical Minimum (0)
        0x25, 0x01,       //   Logical Maximum (1)
        0x75, 0x01,       //   Report Size (1)
        0x95, 0x08,       //   Report Count (8)
        0x81, 0x02,       //   Input (Data, Variable, Absolute): modifier keys
        0x95, 0x01,       //   Report Count (1)
        0x75, 0x08,       //   Report Size (8)
        0x81, 0x01,       //   Input (Constant): reserved byte
        0x05, 0x08,       //   Usage Page (LEDs)
        0x19, 0x01,       //   Usage Minimum (Num Lock)
        0x29, 0x05,       //   Usage Maximum (Kana)
        0x95, 0x05,       //   Report Count (5)
        0x75, 0x01,       //   Report Size (1)
        0x91, 0x02,       //   Output (Data, Variable, Absolute): LEDs
        0x95, 0x01,       //   Report Count (1)
        0x75, 0x03,       //   Report Size (3)
        0x91, 0x01,       //   Output (Constant): padding to a byte
        0x05, 0x07,       //   Usage Page (Keyboard/Keypad)
        0x19, 0x00,       //   Usage Minimum (0)
        0x2A, 0xFF, 0x00, //   Usage Maximum (255)
        0x15, 0x00,       //   Logical Minimum (0)
        0x26, 0xFF, 0x00, //   Logical Maximum (255)
        0x75, 0x08,       //   Report Size (8)
        0x95, 0x06,       //   Report Count (6)
        0x81, 0x00,       //   Input (Data, Array, Absolute): up to six keys down
        0xC0,             // End Collection
    };
    return descriptor;
}

const std::vector<uint8_t>& vendorInterfaceDescriptor() {
    static const std::vector<uint8_t> descriptor = {
        // Collection 1: extra keyboard keys that a button or key can be assigned to.
        0x05, 0x01,       // Usage Page (Generic Desktop)
        0x09, 0x06,       // Usage (Keyboard)
        0xA1, 0x01,       // Collection (Application)
        0x85, 0x01,       //   Report ID (1)
        0x05, 0x07,       //   Usage Page (Keyboard/Keypad)
        0x19, 0xE0,       //   Usage Minimum (Left Control)
        0x29, 0xE7,       //   Usage Maximum (Right GUI)
        0x15, 0x00,       //   Logical Minimum (0)
        0x25, 0x01,       //   Logical Maximum (1)
        0x75, 0x01,       //   Report Size (1)
        0x95, 0x08,       //   Report Count (8)
        0x81, 0x02,       //   Input (Data, Variable, Absolute): modifier keys
        0x95, 0x01,       //   Report Count (1)
        0x75, 0x08,       //   Report Size (8)
        0x81, 0x01,       //   Input (Constant): reserved byte
        0x19, 0x00,       //   Usage Minimum (0)
        0x2A, 0xFF, 0x00, //   Usage Maximum (255)
        0x26, 0xFF, 0x00, //   Logical Maximum (255)
        0x95, 0x06,       //   Report Count (6)
        0x81, 0x00,       //   Input (Data, Array, Absolute): up to six keys down
        0xC0,             // End Collection

        // Collection 2: system power keys.
        0x05, 0x01, // Usage Page (Generic Desktop)
        0x09, 0x80, // Usage (System Control)
        0xA1, 0x01, // Collection (Application)
        0x85, 0x02, //   Report ID (2)
        0x19, 0x81, //   Usage Minimum (System Power Down)
        0x29, 0x83, //   Usage Maximum (System Wake Up)
        0x15, 0x00, //   Logical Minimum (0)
        0x25, 0x01, //   Logical Maximum (1)
        0x75, 0x01, //   Report Size (1)
        0x95, 0x03, //   Report Count (3)
        0x81, 0x02, //   Input (Data, Variable, Absolute)
        0x95, 0x05, //   Report Count (5)
        0x81, 0x01, //   Input (Constant): padding to a byte
        0xC0,       // End Collection

        // Collection 3: media keys, and the events the device signals to the host (usages 0x401, 0x404).
        0x05, 0x0C,       // Usage Page (Consumer)
        0x09, 0x01,       // Usage (Consumer Control)
        0xA1, 0x01,       // Collection (Application)
        0x85, 0x03,       //   Report ID (3)
        0x19, 0x00,       //   Usage Minimum (0)
        0x2A, 0xFF, 0x0F, //   Usage Maximum (0x0FFF)
        0x15, 0x00,       //   Logical Minimum (0)
        0x26, 0xFF, 0x0F, //   Logical Maximum (0x0FFF)
        0x75, 0x10,       //   Report Size (16)
        0x95, 0x01,       //   Report Count (1)
        0x81, 0x00,       //   Input (Data, Array, Absolute): one consumer usage
        0xC0,             // End Collection

        // Collection 4: the 64-byte command reports.
        0x06, 0x1C, 0xFF, // Usage Page (Vendor 0xFF1C)
        0x09, 0x92,       // Usage (0x92)
        0xA1, 0x01,       // Collection (Application)
        0x85, 0x04,       //   Report ID (4)
        0x15, 0x00,       //   Logical Minimum (0)
        0x26, 0xFF, 0x00, //   Logical Maximum (255)
        0x75, 0x08,       //   Report Size (8)
        0x95, 0x3F,       //   Report Count (63)
        0x09, 0x01,       //   Usage (0x01)
        0x81, 0x02,       //   Input (Data, Variable, Absolute): replies
        0x09, 0x02,       //   Usage (0x02)
        0x91, 0x02,       //   Output (Data, Variable, Absolute): requests
        0xC0,             // End Collection
    };
    return descriptor;
}

const std::vector<uint8_t>& headsetInterfaceDescriptor() {
    static const std::vector<uint8_t> descriptor = {
        0x05, 0x0C,       // Usage Page (Consumer)
        0x09, 0x01,       // Usage (Consumer Control)
        0xA1, 0x01,       // Collection (Application)
        0x85, 0x01,       //   Report ID (1)
        0x19, 0x00,       //   Usage Minimum (0)
        0x2A, 0xFF, 0x0F, //   Usage Maximum (0x0FFF)
        0x15, 0x00,       //   Logical Minimum (0)
        0x26, 0xFF, 0x0F, //   Logical Maximum (0x0FFF)
        0x75, 0x10,       //   Report Size (16)
        0x95, 0x01,       //   Report Count (1)
        0x81, 0x00,       //   Input (Data, Array, Absolute): volume and mute keys, device events
        0x06, 0x1C, 0xFF, //   Usage Page (Vendor 0xFF1C)
        0x09, 0x92,       //   Usage (0x92)
        0xA1, 0x02,       //   Collection (Logical)
        0x85, 0x04,       //     Report ID (4)
        0x15, 0x00,       //     Logical Minimum (0)
        0x26, 0xFF, 0x00, //     Logical Maximum (255)
        0x75, 0x08,       //     Report Size (8)
        0x95, 0x3F,       //     Report Count (63)
        0x09, 0x01,       //     Usage (0x01)
        0x81, 0x02,       //     Input (Data, Variable, Absolute): replies
        0x09, 0x02,       //     Usage (0x02)
        0x91, 0x02,       //     Output (Data, Variable, Absolute): requests
        0xC0,             //   End Collection
        0xC0,             // End Collection
    };
    return descriptor;
}

} // namespace pelan::emu
