#include "emulator/ReportDescriptors.h"
#include "emulator/FirmwareDevice.h"

#include <gtest/gtest.h>

#include <map>

namespace pelan::emu {
namespace {

// What a host learns from a descriptor's top-level collections: usage page and usage, and the bit length of each
// report ID's input and output reports.
struct TopCollection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::map<uint8_t, int> inputBits;
    std::map<uint8_t, int> outputBits;
};

// A walk over short items, enough to check the shape of hand-written descriptors.
std::vector<TopCollection> topCollections(const std::vector<uint8_t>& d) {
    std::vector<TopCollection> tops;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    int reportSize = 0;
    int reportCount = 0;
    uint8_t reportId = 0;
    int depth = 0;
    size_t i = 0;
    while (i < d.size()) {
        const uint8_t prefix = d[i];
        const size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        EXPECT_LE(i + 1 + size, d.size()) << "item at " << i << " runs past the end";
        if (i + 1 + size > d.size()) {
            break;
        }
        uint32_t value = 0;
        for (size_t b = 0; b < size; ++b) {
            value |= uint32_t(d[i + 1 + b]) << (8 * b);
        }
        switch (prefix & 0xFC) {
        case 0x04:
            usagePage = uint16_t(value);
            break;
        case 0x08:
            usage = uint16_t(value);
            break;
        case 0x74:
            reportSize = int(value);
            break;
        case 0x94:
            reportCount = int(value);
            break;
        case 0x84:
            reportId = uint8_t(value);
            break;
        case 0xA0:
            if (depth++ == 0) {
                tops.push_back({usagePage, usage, {}, {}});
            }
            break;
        case 0xC0:
            EXPECT_GT(depth, 0) << "End Collection without a collection at " << i;
            --depth;
            break;
        case 0x80:
            EXPECT_GT(depth, 0);
            if (!tops.empty()) {
                tops.back().inputBits[reportId] += reportSize * reportCount;
            }
            break;
        case 0x90:
            if (!tops.empty()) {
                tops.back().outputBits[reportId] += reportSize * reportCount;
            }
            break;
        default:
            break;
        }
        i += 1 + size;
    }
    EXPECT_EQ(depth, 0) << "collections left open";
    return tops;
}

TEST(ReportDescriptorsTest, VendorInterfaceHasFourCollectionsInOrder) {
    const auto tops = topCollections(vendorInterfaceDescriptor());
    ASSERT_EQ(tops.size(), 4u);
    const std::vector<std::pair<uint16_t, uint16_t>> expected = {
        {0x01, 0x06}, {0x01, 0x80}, {0x0C, 0x01}, {0xFF1C, 0x92}};
    for (size_t n = 0; n < expected.size(); ++n) {
        EXPECT_EQ(tops[n].usagePage, expected[n].first) << "collection " << n + 1;
        EXPECT_EQ(tops[n].usage, expected[n].second) << "collection " << n + 1;
    }
    for (uint8_t n = 0; n < 4; ++n) {
        ASSERT_EQ(tops[n].inputBits.size(), 1u);
        EXPECT_EQ(tops[n].inputBits.begin()->first, n + 1) << "collection " << n + 1;
    }
    // Notifications: one 16-bit consumer usage.
    EXPECT_EQ(tops[2].inputBits.at(reportId::consumerControl), 16);
    // Commands: 63 bytes each way, 64 with the report ID.
    EXPECT_EQ(tops[3].inputBits.at(reportId::command), 63 * 8);
    EXPECT_EQ(tops[3].outputBits.at(reportId::command), 63 * 8);
    EXPECT_TRUE(tops[0].outputBits.empty());
}

TEST(ReportDescriptorsTest, HeadsetHasOneConsumerCollectionHoldingTheCommandReports) {
    const auto tops = topCollections(headsetInterfaceDescriptor());
    ASSERT_EQ(tops.size(), 1u);
    EXPECT_EQ(tops[0].usagePage, 0x0C);
    EXPECT_EQ(tops[0].usage, 0x01);
    EXPECT_EQ(tops[0].inputBits.at(reportId::headsetConsumer), 16);
    EXPECT_EQ(tops[0].inputBits.at(reportId::command), 63 * 8);
    EXPECT_EQ(tops[0].outputBits.at(reportId::command), 63 * 8);
}

TEST(ReportDescriptorsTest, BootInterfacesHaveNoReportIds) {
    const auto mouse = topCollections(bootMouseDescriptor());
    ASSERT_EQ(mouse.size(), 1u);
    EXPECT_EQ(mouse[0].usage, 0x02);
    EXPECT_EQ(mouse[0].inputBits.at(0), 32); // buttons byte, X, Y, wheel

    const auto keyboard = topCollections(bootKeyboardDescriptor());
    ASSERT_EQ(keyboard.size(), 1u);
    EXPECT_EQ(keyboard[0].usage, 0x06);
    EXPECT_EQ(keyboard[0].inputBits.at(0), 64);
    EXPECT_EQ(keyboard[0].outputBits.at(0), 8);
}

TEST(ReportDescriptorsTest, NotificationReportsMatchTheirDescriptors) {
    // The notification report is the report ID followed by exactly the input bits the descriptor announces.
    for (const std::string& kind : deviceKinds()) {
        auto device = makeDevice(kind);
        const auto report = device->notificationReport(0x401);
        for (const auto& usbInterface : device->interfaces()) {
            if (usbInterface.number != device->notificationInterface()) {
                continue;
            }
            int bits = 0;
            for (const auto& top : topCollections(usbInterface.reportDescriptor)) {
                if (auto it = top.inputBits.find(report[0]); it != top.inputBits.end()) {
                    bits = it->second;
                }
            }
            EXPECT_EQ(int(report.size() - 1) * 8, bits) << kind;
        }
    }
}

} // namespace
} // namespace pelan::emu
