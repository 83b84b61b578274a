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
        {0x75, 0x21, 0xA1, 0x01, 0xC0},                                           // 33-bit field
        {0x75, 0x08, 0x95, 0x01, 0x81, 0x02},                                     // data outside a collection
        {0xA1, 0x01, 0x85, 0x00, 0xC0},                                           // report ID 0
        {0xFE, 0x10, 0x00, 0x01},                                                 // long item longer than the rest
        {0xA1, 0x01, 0x75, 0x20, 0x97, 0xFF, 0xFF, 0xFF, 0x00, 0x81, 0x02, 0xC0}, // a report of gigabytes
        {0xA1, 0x01, 0x19, 0x01, 0x81, 0x02, 0xC0},                               // a usage range with one end
        {0x0C},                                                                   // reserved item type
    };
    for (size_t i = 0; i < broken.size(); ++i) {
        ParsedReportDescriptor parsed;
        std::string error;
        EXPECT_FALSE(parseReportDescriptor(broken[i], parsed, &error)) << "case " << i;
        EXPECT_FALSE(error.empty()) << "case " << i;
        EXPECT_TRUE(parsed.collections.empty()) << "case " << i;
    }
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
