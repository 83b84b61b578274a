#include <vector>

#include <gtest/gtest.h>

#include "device/ReportDescriptor.h"
#include "emulator/ReportDescriptors.h"

namespace pelan {
namespace {

// The boot mouse of the HID device class definition: three buttons, five bits of padding, relative X and Y.
const std::vector<uint8_t> kBootMouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
                                         0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
                                         0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15,
                                         0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0};

// Consumer control with report ID 3 and a two-slot 16-bit usage array, then a vendor collection with ID 4.
const std::vector<uint8_t> kConsumerAndVendor = {
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x19, 0x00, 0x2A, 0xFF, 0x0F, 0x15, 0x00, 0x26, 0xFF, 0x0F,
    0x75, 0x10, 0x95, 0x02, 0x81, 0x00, 0xC0, 0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x85, 0x04, 0x09, 0x01,
    0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x3F, 0x81, 0x02, 0x09, 0x02, 0x91, 0x02, 0xC0};

TEST(ReportDescriptor, BootMouseHasOneCollectionWithButtonsPaddingAndSignedValues) {
    ParsedReportDescriptor parsed;
    ASSERT_TRUE(parseReportDescriptor(kBootMouse, parsed, nullptr));
    ASSERT_EQ(parsed.collections.size(), 1u);
    const HidTopLevelCollection& mouse = parsed.collections[0];
    EXPECT_EQ(mouse.usagePage, 0x01);
    EXPECT_EQ(mouse.usage, 0x02);
    EXPECT_FALSE(parsed.usesReportIds);
    EXPECT_EQ(mouse.reportByteLength(HidReportKind::Input), 4); // three data bytes plus the ID byte
    EXPECT_EQ(mouse.reportByteLength(HidReportKind::Output), 0);
    ASSERT_EQ(mouse.fields.size(), 3u);
    EXPECT_TRUE(mouse.fields[0].isButton());
    EXPECT_EQ(mouse.fields[0].usageMin, 1);
    EXPECT_EQ(mouse.fields[0].usageMax, 3);
    EXPECT_TRUE(mouse.fields[1].isConstant);
    const HidField& axes = mouse.fields[2];
    EXPECT_FALSE(axes.isButton());
    EXPECT_FALSE(axes.isAbsolute);
    EXPECT_EQ(axes.bitOffset, 8u);
    EXPECT_EQ(axes.logicalMin, -127);
    EXPECT_EQ(axes.usageForSlot(0), 0x30);
    EXPECT_EQ(axes.usageForSlot(1), 0x31);
    EXPECT_EQ(axes.usageForSlot(5), 0x31);
}

TEST(ReportDescriptor, NumberedReportsBelongToTheirTopLevelCollections) {
    ParsedReportDescriptor parsed;
    ASSERT_TRUE(parseReportDescriptor(kConsumerAndVendor, parsed, nullptr));
    ASSERT_EQ(parsed.collections.size(), 2u);
    EXPECT_TRUE(parsed.usesReportIds);
    const HidTopLevelCollection& consumer = parsed.collections[0];
    EXPECT_EQ(consumer.usagePage, 0x0C);
    EXPECT_TRUE(consumer.hasReportId(3));
    EXPECT_FALSE(consumer.hasReportId(4));
    EXPECT_EQ(consumer.reportByteLength(HidReportKind::Input), 5);
    ASSERT_EQ(consumer.fields.size(), 1u);
    EXPECT_TRUE(consumer.fields[0].isArray);
    EXPECT_EQ(consumer.fields[0].usageMax, 0x0FFF);
    const HidTopLevelCollection& vendor = parsed.collections[1];
    EXPECT_EQ(vendor.usagePage, 0xFF1C);
    EXPECT_EQ(vendor.usage, 0x92);
    EXPECT_EQ(vendor.reportByteLength(HidReportKind::Input), 64);
    EXPECT_EQ(vendor.reportByteLength(HidReportKind::Output), 64);
}

TEST(ReportDescriptor, PushAndPopRestoreGlobalsAndLongItemsAreSkipped) {
    const std::vector<uint8_t> bytes = {
        0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0xA4,       // push with size 8
        0x75, 0x01, 0x95, 0x08, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x81, 0x02, // modifiers, 1-bit
        0xFE, 0x02, 0x10, 0xAA, 0xBB,                                           // a long item
        0xB4,                                                                   // pop: size 8 count 1 again
        0x81, 0x01, 0xC0};
    ParsedReportDescriptor parsed;
    ASSERT_TRUE(parseReportDescriptor(bytes, parsed, nullptr));
    ASSERT_EQ(parsed.collections[0].fields.size(), 2u);
    EXPECT_EQ(parsed.collections[0].fields[1].reportSize, 8u);
    EXPECT_EQ(parsed.collections[0].fields[1].usagePage, 0x01);
    EXPECT_EQ(parsed.collections[0].reportByteLength(HidReportKind::Input), 3);
}

TEST(ReportDescriptor, EveryEmulatedDescriptorParses) {
    const std::vector<const std::vector<uint8_t>*> descriptors = {
        &emu::bootMouseDescriptor(), &emu::bootKeyboardDescriptor(), &emu::vendorInterfaceDescriptor(),
        &emu::headsetInterfaceDescriptor()};
    for (const std::vector<uint8_t>* descriptor : descriptors) {
        ParsedReportDescriptor parsed;
        std::string error;
        EXPECT_TRUE(parseReportDescriptor(*descriptor, parsed, &error)) << error;
    }
    ParsedReportDescriptor vendor;
    ASSERT_TRUE(parseReportDescriptor(emu::vendorInterfaceDescriptor(), vendor, nullptr));
    ASSERT_EQ(vendor.collections.size(), 4u);
    EXPECT_EQ(vendor.collections[2].usagePage, 0x0C);
    EXPECT_EQ(vendor.collections[3].usagePage, 0xFF1C);
}

TEST(ReportDescriptor, MalformedDescriptorsFailWithAReason) {
    const std::vector<std::vector<uint8_t>> broken = {
        {},                                                                       // nothing at all
        {0x05},                                                                   // truncated item
        {0x05, 0x01, 0xA1, 0x01},                                                 // collection never closed
        {0xC0},                                                                   // end without a collection
        {0xB4},                                                                   // pop without push
        {0x76, 0x01, 0x01, 0xA1, 0x01, 0xC0},                                     // 257-bit field
        {0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0x00},                               // data but no collection
        {0xA1, 0x01, 0x85, 0x00, 0xC0},                                           // report ID 0
        {0xA1, 0x01, 0x86, 0x00, 0x01, 0xC0},                                     // report ID 256
        {0xFE, 0x10, 0x00, 0x01},                                                 // long item longer than the rest
        {0xA1, 0x01, 0x75, 0x20, 0x97, 0xFF, 0xFF, 0xFF, 0x00, 0x81, 0x02, 0xC0}, // a report of gigabytes
    };
    for (size_t i = 0; i < broken.size(); ++i) {
        ParsedReportDescriptor parsed;
        std::string error;
        EXPECT_FALSE(parseReportDescriptor(broken[i], parsed, &error)) << "case " << i;
        EXPECT_FALSE(error.empty()) << "case " << i;
        EXPECT_TRUE(parsed.collections.empty()) << "case " << i;
    }
}

// What the kernel's parser lets through must not make a device vanish from our list.
TEST(ReportDescriptor, OddItemsTheKernelAcceptsAreSkippedAndTheRestIsLaidOut) {
    std::vector<uint8_t> bytes = kBootMouse;
    bytes.insert(bytes.end() - 2, {0x0C, 0x0D, 0x07, 0x0E, 0x01, 0x00}); // reserved items of each size
    bytes.insert(bytes.end() - 1, {0xD0, 0xE1, 0x05});                   // unknown main items 0xD and 0xE
    bytes.push_back(0x00);                                               // pad after the last End Collection
    ParsedReportDescriptor parsed;
    std::string error;
    ASSERT_TRUE(parseReportDescriptor(bytes, parsed, &error)) << error;
    ASSERT_EQ(parsed.collections.size(), 1u);
    EXPECT_EQ(parsed.collections[0].fields.size(), 3u);
    EXPECT_EQ(parsed.collections[0].reportByteLength(HidReportKind::Input), 4);

    // A 64-bit vendor value, a usage range with only its maximum, and padding outside any collection.
    const std::vector<uint8_t> wide = {
        0x75, 0x08, 0x95, 0x01, 0x81, 0x01,                         // a byte before the first collection
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,                   // vendor page, application
        0x85, 0x05, 0x09, 0x02, 0x75, 0x40, 0x95, 0x02, 0xB1, 0x02, // feature 5: two 64-bit values
        0x29, 0x08, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02,             // usages 0 to 8 by their maximum alone
        0xC0};
    ASSERT_TRUE(parseReportDescriptor(wide, parsed, &error)) << error;
    const HidTopLevelCollection& vendor = parsed.collections.at(0);
    EXPECT_EQ(vendor.usagePage, 0xFF00);
    EXPECT_EQ(vendor.reportByteLength(HidReportKind::Feature), 17);
    ASSERT_EQ(vendor.fields.size(), 2u);
    EXPECT_EQ(vendor.fields[0].reportSize, 64u);
    EXPECT_EQ(vendor.fields[1].usageMin, 0);
    EXPECT_EQ(vendor.fields[1].usageMax, 8);
}

// Descriptors as devices of other makers send them, written from the HID device class definition and the HID
// usage tables: the boot keyboard, a game pad with a hat switch, and a wireless receiver that serves a keyboard, a
// mouse, consumer and system controls and a vendor channel through numbered reports.
const std::vector<uint8_t> kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};

const std::vector<uint8_t> kGamePad = {
    0x05, 0x01, 0x09, 0x05, 0xA1, 0x01, 0xA1, 0x00,                         // game pad, physical
    0x05, 0x09, 0x19, 0x01, 0x29, 0x10, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, // 16 buttons
    0x95, 0x10, 0x81, 0x02,                                                 //
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x09, 0x32, 0x09, 0x35, 0x15, 0x00, // X, Y, Z, Rz
    0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x04, 0x81, 0x02,                   //
    0x09, 0x39, 0x15, 0x00, 0x25, 0x07, 0x35, 0x00, 0x46, 0x3B, 0x01, 0x65, // hat switch in degrees
    0x14, 0x75, 0x04, 0x95, 0x01, 0x81, 0x42, 0x65, 0x00,                   // with a null state
    0x75, 0x04, 0x95, 0x01, 0x81, 0x01, 0xC0, 0xC0};                        // padding

const std::vector<uint8_t> kWirelessReceiver = {
    // Report 1: keyboard with modifiers, a reserved byte, LEDs and six key slots.
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01, 0x75,
    0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x95, 0x05,
    0x75, 0x01, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x05, 0x07, 0x19, 0x00, 0x2A, 0xFF, 0x00, 0x15, 0x00,
    0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x06, 0x81, 0x00, 0xC0,
    // Report 2: mouse with 16 buttons, 16-bit X and Y, wheel and horizontal pan.
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x02, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01, 0x29, 0x10, 0x15,
    0x00, 0x25, 0x01, 0x95, 0x10, 0x75, 0x01, 0x81, 0x02, 0x05, 0x01, 0x16, 0x01, 0x80, 0x26, 0xFF, 0x7F, 0x75, 0x10,
    0x95, 0x02, 0x09, 0x30, 0x09, 0x31, 0x81, 0x06, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x01, 0x09, 0x38, 0x81,
    0x06, 0x05, 0x0C, 0x0A, 0x38, 0x02, 0x95, 0x01, 0x81, 0x06, 0xC0, 0xC0,
    // Report 3: consumer control, one 16-bit usage.
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x75, 0x10, 0x95, 0x01, 0x15, 0x01, 0x26, 0xFF, 0x02, 0x19, 0x01,
    0x2A, 0xFF, 0x02, 0x81, 0x00, 0xC0,
    // Report 4: system control, sleep, power down and wake up as a 2-bit array.
    0x05, 0x01, 0x09, 0x80, 0xA1, 0x01, 0x85, 0x04, 0x75, 0x02, 0x95, 0x01, 0x15, 0x01, 0x25, 0x03, 0x09, 0x82, 0x09,
    0x81, 0x09, 0x83, 0x81, 0x60, 0x75, 0x06, 0x81, 0x03, 0xC0,
    // Reports 0x10 and 0x11: the vendor channel, 6 and 19 bytes each way.
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x10, 0x75, 0x08, 0x95, 0x06, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x09,
    0x01, 0x81, 0x00, 0x09, 0x01, 0x91, 0x00, 0xC0, 0x06, 0x00, 0xFF, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x11, 0x75, 0x08,
    0x95, 0x13, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x09, 0x02, 0x81, 0x00, 0x09, 0x02, 0x91, 0x00, 0xC0};

TEST(ReportDescriptor, DescriptorsOfOtherMakersDevicesParseIntoTheirCollections) {
    ParsedReportDescriptor parsed;
    std::string error;
    ASSERT_TRUE(parseReportDescriptor(kBootKeyboard, parsed, &error)) << error;
    ASSERT_EQ(parsed.collections.size(), 1u);
    const HidTopLevelCollection& keyboard = parsed.collections[0];
    EXPECT_EQ(keyboard.usage, 0x06);
    EXPECT_EQ(keyboard.reportByteLength(HidReportKind::Input), 9);
    EXPECT_EQ(keyboard.reportByteLength(HidReportKind::Output), 2);
    EXPECT_TRUE(keyboard.fields.back().isArray);
    EXPECT_EQ(keyboard.fields.back().usageMax, 0x65);
    EXPECT_EQ(keyboard.fields.back().bitOffset, 16u);

    ASSERT_TRUE(parseReportDescriptor(kGamePad, parsed, &error)) << error;
    ASSERT_EQ(parsed.collections.size(), 1u);
    const HidTopLevelCollection& pad = parsed.collections[0];
    EXPECT_EQ(pad.usage, 0x05);
    EXPECT_EQ(pad.reportByteLength(HidReportKind::Input), 8);
    ASSERT_EQ(pad.fields.size(), 4u);
    EXPECT_EQ(pad.fields[1].usageForSlot(3), 0x35);
    EXPECT_EQ(pad.fields[2].physicalMax, 315);
    EXPECT_EQ(pad.fields[2].unit, 0x14u);

    ASSERT_TRUE(parseReportDescriptor(kWirelessReceiver, parsed, &error)) << error;
    EXPECT_TRUE(parsed.usesReportIds);
    ASSERT_EQ(parsed.collections.size(), 6u);
    const std::vector<std::pair<uint16_t, uint16_t>> usages = {{0x01, 0x06}, {0x01, 0x02},   {0x0C, 0x01},
                                                               {0x01, 0x80}, {0xFF00, 0x01}, {0xFF00, 0x02}};
    const std::vector<uint8_t> ids = {1, 2, 3, 4, 0x10, 0x11};
    const std::vector<uint16_t> inputLengths = {9, 9, 3, 2, 7, 20};
    for (size_t i = 0; i < usages.size(); ++i) {
        const HidTopLevelCollection& collection = parsed.collections[i];
        EXPECT_EQ(std::make_pair(collection.usagePage, collection.usage), usages[i]) << i;
        EXPECT_TRUE(collection.hasReportId(ids[i])) << i;
        EXPECT_EQ(collection.reportByteLength(HidReportKind::Input), inputLengths[i]) << i;
    }
    // The mouse's pan is a consumer usage inside a desktop collection; X and Y are signed 16-bit values.
    const HidTopLevelCollection& mouse = parsed.collections[1];
    EXPECT_EQ(mouse.fields.back().usagePage, 0x0C);
    EXPECT_EQ(mouse.fields.back().usageForSlot(0), 0x238);
    EXPECT_EQ(mouse.fields[1].logicalMin, -32767);
    EXPECT_EQ(mouse.fields[1].bitOffset, 16u);
}

TEST(ReportDescriptor, DeepNestingIsRefusedNotRecursed) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 100; ++i) {
        bytes.push_back(0xA1);
        bytes.push_back(0x00);
    }
    for (int i = 0; i < 100; ++i)
        bytes.push_back(0xC0);
    ParsedReportDescriptor parsed;
    EXPECT_FALSE(parseReportDescriptor(bytes, parsed, nullptr));
}

} // namespace
} // namespace pelan
