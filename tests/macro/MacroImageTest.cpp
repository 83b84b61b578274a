#include "macro/MacroImage.h"
#include "macro/MacroFiles.h"
#include "macro/MacroTestFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace pelan {
namespace {

using Macros = std::vector<std::vector<MacroEvent>>;

Macros macrosWithEventCounts(std::initializer_list<size_t> counts) {
    Macros macros;
    for (size_t count : counts)
        macros.emplace_back(count, MacroEvent{10, 4, true, 1});
    return macros;
}

TEST(MacroImage, SmallSetGivesTheExpectedBytes) {
    const Macros macros = {
        {{10, 4, true, 300}, {10, 4, false, 0}},
        {},
        {{1, 2, true, 65535}},
    };
    const MacroImageResult result = buildMacroImage(macros, 128);
    ASSERT_EQ(result.status, MacroImageResult::Status::Built);
    const std::vector<uint8_t> expected = {
        0xAA, 0x55, 46, 0, 3,    0,    0,    0,    0,    0,    0,    0,
        0,    0,    0,  0,                                                 // signature, size, count, padding
        22,   0,    34, 0, 38,   0,                                        // record offsets
        2,    0,    0,  0, 0x2C, 0x01, 0x8A, 0x04, 0x00, 0x00, 0x0A, 0x04, // macro 0: A down, A up
        0,    0,    0,  0,                                                 // macro 1: no events
        1,    0,    0,  0, 0xFF, 0xFF, 0x81, 0x02,                         // macro 2: right button down
    };
    EXPECT_EQ(result.bytes, expected);
}

TEST(MacroImage, EventBytesKeepKindAndDirectionApart) {
    // A kind that does not fit in 7 bits must not pose as a "down".
    EXPECT_EQ(encodeMacroEvent({0x85, 0x1FF, false, 0x1234}), (MacroEventBytes{0x34, 0x12, 0x05, 0xFF}));
    EXPECT_EQ(encodeMacroEvent({5, 7, true, 0}), (MacroEventBytes{0, 0, 0x85, 7}));
}

TEST(MacroImage, OverCapacityCountsTheEventsThatDoNotFit) {
    const Macros fits = macrosWithEventCounts({26});          // 16 + 6 + 104 = 126 bytes
    const Macros twoOver = macrosWithEventCounts({27});       // 130 bytes
    const Macros eightOver = macrosWithEventCounts({13, 14}); // 16 + 12 + 108 = 136 bytes
    EXPECT_EQ(macroImageSize(twoOver), 130u);
    EXPECT_EQ(buildMacroImage(fits, 128).status, MacroImageResult::Status::Built);
    EXPECT_EQ(buildMacroImage(twoOver, 130).status, MacroImageResult::Status::Built); // an exact fit is fine

    const MacroImageResult two = buildMacroImage(twoOver, 128);
    EXPECT_EQ(two.status, MacroImageResult::Status::OverCapacity);
    EXPECT_EQ(two.overflowEvents, 1);
    EXPECT_TRUE(two.bytes.empty());
    EXPECT_EQ(buildMacroImage(eightOver, 128).overflowEvents, 3);
    EXPECT_EQ(buildMacroImage({}, 128).status, MacroImageResult::Status::NoMacros);
}

TEST(MacroImage, ImagesBeyondSixteenBitSizesAreRefusedWhateverTheCapacity) {
    const Macros huge = macrosWithEventCounts({20000}); // 80022 bytes: its size would not fit its header
    const MacroImageResult result = buildMacroImage(huge, 1u << 20);
    EXPECT_EQ(result.status, MacroImageResult::Status::OverCapacity);
    EXPECT_EQ(result.overflowEvents, (80022 - 65535) / 4 + 1);
}

TEST(MacroImage, BuiltFromTheFilesOfTheFolder) {
    test::MacroTestFolder folder;
    folder.write("macro.config", R"({"MacroInfo":[{"MacroName":"a","Guid":"g1"},{"MacroName":"b","Guid":"../g2"},
        {"MacroName":"c","Guid":"missing"},{"MacroName":"d","Guid":"g4"}]})");
    folder.write("g1.mac", R"({"Events":[{"Type":10,"Button":4,"Action":"down","Delay":"70000"},"junk",
        {"Type":10,"Button":4,"Action":"up","Delay":"x"}]})");
    folder.write("g4.mac", R"({"Events":{"Type":1}})");
    const MacroImageResult result = buildMacroImageFromFolder(folder.path(), "macro.config", 2 * kMacroCapacityUnit);
    ASSERT_EQ(result.status, MacroImageResult::Status::Built);
    ASSERT_EQ(result.bytes.size(), 16u + 6 * 4 + 4 * 2);
    EXPECT_EQ(result.bytes[4], 4); // every list entry keeps its macro number, even without events
    const std::vector<uint8_t> firstRecord(result.bytes.begin() + 24, result.bytes.begin() + 36);
    EXPECT_EQ(firstRecord, (std::vector<uint8_t>{2, 0, 0, 0, 0xFF, 0xFF, 0x8A, 4, 0, 0, 0x0A, 4}));

    folder.write("macro.config", R"({"MacroInfo":[]})");
    EXPECT_EQ(buildMacroImageFromFolder(folder.path(), "macro.config", 1024).status,
              MacroImageResult::Status::NoMacros);
    EXPECT_EQ(buildMacroImageFromFolder(folder.path(), "tavix_macro.config", 1024).status,
              MacroImageResult::Status::NoMacros);
}

TEST(MacroImage, HugeEventFileIsReportedNotSent) {
    test::MacroTestFolder folder;
    folder.write("macro.config", R"({"MacroInfo":[{"MacroName":"a","Guid":"big"}]})");
    std::string events = R"({"Events":[)";
    for (int i = 0; i < 100000; ++i)
        events += R"({"Type":1,"Button":1,"Action":"down","Delay":"5"},)";
    events.back() = ']';
    folder.write("big.mac", events + "}");
    const MacroImageResult result = buildMacroImageFromFolder(folder.path(), "macro.config", 255 * kMacroCapacityUnit);
    EXPECT_EQ(result.status, MacroImageResult::Status::OverCapacity);
    EXPECT_EQ(result.overflowEvents, static_cast<int>((16 + 6 + 400000 - 255 * 128) / 4 + 1));
}

} // namespace
} // namespace pelan
