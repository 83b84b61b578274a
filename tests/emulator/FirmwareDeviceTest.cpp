#include "emulator/FirmwareDevice.h"
#include "emulator/CommandReport.h"
#include "emulator/RecordingHost.h"

#include <gtest/gtest.h>

#include <numeric>

namespace pelan::emu {
namespace {

using test::dataOf;
using test::RecordingHost;
using test::roundTrip;

std::unique_ptr<FirmwareDevice> make(std::string_view kind) {
    auto device = makeDevice(kind);
    EXPECT_NE(device, nullptr) << kind;
    return device;
}

// Writes `data` at `base` in packets of at most 56 bytes, as the host does; returns the first non-zero status.
uint8_t writeChunked(FirmwareDevice& device, uint8_t code, uint16_t base, std::span<const uint8_t> data) {
    for (size_t done = 0; done < data.size(); done += kMaxCommandData) {
        const size_t length = std::min(kMaxCommandData, data.size() - done);
        const auto reply =
            roundTrip(device, makeCommandRequest(code, static_cast<uint8_t>(length), static_cast<uint16_t>(base + done),
                                                 data.subspan(done, length)));
        if (reply[field::status] != status::accepted) {
            return reply[field::status];
        }
    }
    return status::accepted;
}

std::vector<uint8_t> readChunked(FirmwareDevice& device, uint8_t code, uint16_t base, size_t total) {
    std::vector<uint8_t> bytes;
    for (size_t done = 0; done < total; done += kMaxCommandData) {
        const size_t length = std::min(kMaxCommandData, total - done);
        const auto reply = roundTrip(
            device, makeCommandRequest(code, static_cast<uint8_t>(length), static_cast<uint16_t>(base + done)));
        EXPECT_EQ(reply[field::status], status::accepted) << "offset " << base + done;
        const auto chunk = dataOf(reply, length);
        bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    }
    return bytes;
}

std::vector<uint8_t> pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), seed);
    return bytes;
}

TEST(CommandReportTest, RequestFramingAndChecksum) {
    // Command 0x01 on its own: the checksum is just the code.
    const auto begin = makeCommandRequest(command::beginUpdate);
    EXPECT_EQ(begin[0], 0x04);
    EXPECT_EQ(begin[1], 0x01);
    EXPECT_EQ(begin[2], 0x00);
    EXPECT_EQ(begin[3], 0x01);

    // The sum runs over bytes 3..63 into 16 bits: 56 bytes of 0xFF overflow the low byte.
    const std::vector<uint8_t> full(56, 0xFF);
    const auto write = makeCommandRequest(command::writeMemory, 56, 0x0180, full);
    const uint32_t sum = 0x06 + 56 + 0x80 + 0x01 + 56 * 0xFF;
    EXPECT_EQ(write[1], sum & 0xFF);
    EXPECT_EQ(write[2], (sum >> 8) & 0xFF);
    EXPECT_EQ(write[5], 0x80);
    EXPECT_EQ(write[6], 0x01);
}

TEST(FirmwareDeviceTest, RefusesBadChecksumWithoutApplyingTheRequest) {
    auto mouse = make("mouse");
    const std::vector<uint8_t> data = {9, 9, 9};
    auto request = makeCommandRequest(command::writeMemory, 3, 200, data);
    request[field::checksumLow] ^= 0x01;
    const auto before = mouse->readMemory(200, 3);

    const auto reply = roundTrip(*mouse, request);
    EXPECT_EQ(reply[field::code], command::writeMemory);
    EXPECT_EQ(reply[field::status], status::refused);
    EXPECT_EQ(mouse->readMemory(200, 3), before);

    // The high byte counts too.
    request = makeCommandRequest(command::isOnline);
    request[field::checksumHigh] = 0x01;
    EXPECT_EQ(roundTrip(*mouse, request)[field::status], status::refused);
}

TEST(FirmwareDeviceTest, EveryCommandIsAnsweredWithEchoStatusAndData) {
    auto mouse = make("mouse");
    const std::vector<uint8_t> three = {1, 2, 3};
    struct Case {
        uint8_t code;
        uint8_t length;
        std::vector<uint8_t> data;
    };
    const std::vector<Case> cases = {
        {command::beginUpdate, 0, {}},      {command::endUpdate, 0, {}},        {command::readDeviceInfo, 34, {}},
        {command::readMemory, 54, {}},      {command::writeMemory, 3, three},   {command::readKeyTable, 30, {}},
        {command::writeKeyTable, 3, three}, {command::streamLight, 3, three},   {command::writeMacroData, 3, three},
        {command::readStatus, 6, {}},       {command::readPerKeyTable, 10, {}}, {command::isOnline, 0, {}},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        const auto replies = test::send(*mouse, host, makeCommandRequest(c.code, c.length, 0, c.data));
        ASSERT_EQ(replies.size(), 1u) << "command " << int(c.code);
        EXPECT_EQ(replies[0].interfaceNumber, mouse->commandInterface());
        EXPECT_EQ(replies[0].delay.count(), 0);
        const auto& reply = replies[0].report;
        ASSERT_EQ(reply.size(), kCommandReportSize);
        EXPECT_EQ(reply[field::reportId], kCommandReportId);
        EXPECT_EQ(reply[field::code], c.code);
        EXPECT_EQ(reply[field::status], status::accepted) << "command " << int(c.code);
    }

    // Online check: byte 8 is 0xFF.
    EXPECT_EQ(roundTrip(*mouse, makeCommandRequest(command::isOnline))[kCommandDataOffset], 0xFF);
    // Unknown commands are refused.
    EXPECT_EQ(roundTrip(*mouse, makeCommandRequest(0x04))[field::status], status::refused);
    EXPECT_EQ(roundTrip(*mouse, makeCommandRequest(0x55))[field::status], status::refused);
}

TEST(FirmwareDeviceTest, DeviceInformationDescribesEachKind) {
    struct Expect {
        const char* kind;
        uint8_t keys;
        uint8_t macroUnits;
        uint16_t minDpi;
    };
    for (const Expect& e : {Expect{"mouse", 10, 16, 200}, Expect{"keyboard", 126, 32, 0}, Expect{"mousepad", 0, 0, 0},
                            Expect{"headset", 0, 0, 0}}) {
        auto device = makeDevice(e.kind, 0x0102);
        const auto info = dataOf(roundTrip(*device, makeCommandRequest(command::readDeviceInfo, 34)), 34);
        EXPECT_EQ(info[5], e.keys) << e.kind;
        EXPECT_EQ(info[6], e.macroUnits) << e.kind;
        EXPECT_EQ(info[14] | (info[15] << 8), e.minDpi) << e.kind;
        EXPECT_EQ(info[3] | (info[4] << 8), 0x0102) << e.kind;
        EXPECT_EQ(device->macroMemory().size(), e.macroUnits * 128u) << e.kind;
        EXPECT_EQ(device->keyTable().size(), e.keys * 3u) << e.kind;
        EXPECT_EQ(device->perKeyTable().size(), e.keys) << e.kind;
    }
}

TEST(FirmwareDeviceTest, SettingsBlockWrittenInChunksReadsBack) {
    auto mouse = make("mouse");
    const auto block = pattern(75, 0x40);
    // 75 bytes at the block of profile 1: two packets of 56 and 19 bytes.
    EXPECT_EQ(writeChunked(*mouse, command::writeMemory, 128, block), status::accepted);
    EXPECT_EQ(readChunked(*mouse, command::readMemory, 128, 75), block);
    EXPECT_EQ(mouse->readMemory(128, 75), block);
    // The neighbours are untouched: the end of profile 0's block and the rest of profile 1's.
    EXPECT_EQ(mouse->readMemory(127, 1), std::vector<uint8_t>{0});
    EXPECT_EQ(mouse->readMemory(203, 1), std::vector<uint8_t>{0});

    // The active profile index lives at offset 0.
    const std::vector<uint8_t> active = {2};
    EXPECT_EQ(writeChunked(*mouse, command::writeMemory, 0, active), status::accepted);
    EXPECT_EQ(readChunked(*mouse, command::readMemory, 0, 1), active);
}

TEST(FirmwareDeviceTest, FactorySettingsArePlausible) {
    auto mouse = make("mouse");
    const auto block = mouse->readMemory(0, 54);
    EXPECT_EQ(block[0], 0);                    // active profile
    EXPECT_LE(block[2], 4);                    // brightness level
    EXPECT_LE(block[3], 4);                    // 4 - speed
    EXPECT_LE(block[14], 4);                   // report-rate index
    EXPECT_LT(block[23], 6);                   // active DPI stage
    EXPECT_LE(block[15] | block[16] << 8, 73); // stage 1 DPI code
    EXPECT_EQ(mouse->settingsSize() % 128, 0u);

    auto pad = make("mousepad");
    const auto record = pad->readMemory(0, 25);
    EXPECT_EQ(record[0], 0);
    EXPECT_LE(record[2], 4);
    EXPECT_LE(record[3], 4);
}

TEST(FirmwareDeviceTest, KeyTablesHoldFactoryCodes) {
    auto mouse = make("mouse");
    const auto mouseTable = readChunked(*mouse, command::readKeyTable, 0, 30);
    const std::vector<uint8_t> mouseCodes = {0x10, 0x01, 0, 0x10, 0x02, 0, 0x10, 0x04, 0, 0x10, 0x10, 0, 0x10, 0x08, 0,
                                             0x13, 0x01, 0, 0x13, 0x02, 0, 0xA0, 0x02, 0, 0,    0,    0, 0,    0,    0};
    EXPECT_EQ(mouseTable, mouseCodes);
    EXPECT_EQ(mouse->keyTable(1), mouseCodes);

    auto keyboard = make("keyboard");
    const auto table = readChunked(*keyboard, command::readKeyTable, 0, 126 * 3);
    ASSERT_EQ(table.size(), 378u);
    const auto code = [&](size_t position) {
        return std::vector<uint8_t>(table.begin() + position * 3, table.begin() + position * 3 + 3);
    };
    EXPECT_EQ(code(0), (std::vector<uint8_t>{0x20, 0x00, 0x29}));
    EXPECT_EQ(code(16), (std::vector<uint8_t>{0xA0, 0x1B, 0x00}));
    EXPECT_EQ(code(120), (std::vector<uint8_t>{0xD0, 0xA2, 0x01}));
    EXPECT_EQ(code(125), (std::vector<uint8_t>{0x20, 0x80, 0x00}));
    size_t unused = 0;
    for (size_t p = 0; p < 126; ++p) {
        unused += code(p) == std::vector<uint8_t>{0x20, 0x00, 0x00};
    }
    EXPECT_EQ(unused, 5u);

    // The per-key table gives each position its LED; unused positions have none.
    const auto leds = readChunked(*keyboard, command::readPerKeyTable, 0, 126);
    EXPECT_EQ(leds[18], 0xFF);
    EXPECT_NE(leds[0], 0xFF);
    std::vector<bool> seen(126, false);
    for (uint8_t led : leds) {
        if (led != 0xFF) {
            ASSERT_LT(led, 126);
            EXPECT_FALSE(seen[led]) << "LED " << int(led) << " used twice";
            seen[led] = true;
        }
    }
}

TEST(FirmwareDeviceTest, KeyTableWritesLandInTheAddressedTable) {
    auto keyboard = make("keyboard");
    const auto factory = keyboard->keyTable(0);
    const auto codes = pattern(378, 0x11);
    // Table 1 starts at offset 512; the offsets of its packets are 512 + bytes done.
    EXPECT_EQ(writeChunked(*keyboard, command::writeKeyTable, 512, codes), status::accepted);
    EXPECT_EQ(keyboard->keyTable(1), codes);
    EXPECT_EQ(keyboard->keyTable(0), factory);
    EXPECT_EQ(writeChunked(*keyboard, command::writeKeyTable, 0, codes), status::accepted);
    EXPECT_EQ(keyboard->keyTable(0), codes);
    // Reading tells the layout: the factory codes by position, untouched by assignments.
    EXPECT_EQ(readChunked(*keyboard, command::readKeyTable, 0, 378), factory);
    EXPECT_TRUE(keyboard->keyTable(2).empty());
}

TEST(FirmwareDeviceTest, MacroImageAndLightFrameAreStored) {
    auto mouse = make("mouse");
    const auto image = pattern(130, 0xA0);
    EXPECT_EQ(writeChunked(*mouse, command::writeMacroData, 0, image), status::accepted);
    const auto memory = mouse->macroMemory();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), memory.begin()));
    EXPECT_EQ(memory[130], 0);

    const auto frame = pattern(24, 1);
    EXPECT_EQ(writeChunked(*mouse, command::streamLight, 0, frame), status::accepted);
    const auto stored = mouse->lightFrame();
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), stored.begin()));
}

TEST(FirmwareDeviceTest, UpdateBracketsAreCounted) {
    auto pad = make("mousepad");
    roundTrip(*pad, makeCommandRequest(command::beginUpdate));
    EXPECT_EQ(pad->openUpdates(), 1);
    roundTrip(*pad, makeCommandRequest(command::endUpdate));
    roundTrip(*pad, makeCommandRequest(command::endUpdate)); // a stray end does not go below zero
    EXPECT_EQ(pad->openUpdates(), 0);
}

TEST(FirmwareDeviceTest, StatusRecordFollowsThePowerState) {
    auto pad = make("mousepad");
    pad->setPowerState({.battery = 80, .charging = 2, .statusValue = 5, .phoneType = 2});
    auto record = dataOf(roundTrip(*pad, makeCommandRequest(command::readStatus, 6)), 6);
    EXPECT_EQ(record, (std::vector<uint8_t>{80, 2, 0, 0, 5, 2}));

    pad->setBattery(15);
    pad->setCharging(1);
    pad->setPhoneType(3);
    pad->setStatusValue(0);
    // A part of the record from an offset.
    record = dataOf(roundTrip(*pad, makeCommandRequest(command::readStatus, 2, 4)), 2);
    EXPECT_EQ(record, (std::vector<uint8_t>{0, 3}));
    EXPECT_EQ(pad->statusRecord()[0], 15);
    EXPECT_EQ(pad->statusRecord()[1], 1);
}

TEST(FirmwareDeviceTest, OutOfRangeAccessIsRefusedAndChangesNothing) {
    auto mouse = make("mouse");
    const auto settings = mouse->readMemory(0, mouse->settingsSize());
    const auto keys = mouse->keyTable(0);
    const std::vector<uint8_t> data(56, 0xEE);
    struct Case {
        uint8_t code;
        uint8_t length;
        uint16_t offset;
    };
    const uint16_t settingsEnd = static_cast<uint16_t>(mouse->settingsSize());
    const std::vector<Case> cases = {
        {command::readDeviceInfo, 34, 1},
        {command::readDeviceInfo, 1, 34},
        {command::readMemory, 1, settingsEnd},
        {command::readMemory, 56, uint16_t(settingsEnd - 55)},
        {command::writeMemory, 2, uint16_t(settingsEnd - 1)},
        {command::writeMemory, 1, 0xFFFF},
        {command::readKeyTable, 2, 511}, // across the end of table 0's slot
        {command::writeKeyTable, 2, 512 + 511},
        {command::writeKeyTable, 1, 1024},
        {command::readPerKeyTable, 11, 0},
        {command::readStatus, 7, 0},
        {command::readStatus, 1, 6},
        {command::writeMacroData, 1, 2048},
        {command::streamLight, 8, uint16_t(kLightFrameCapacity - 4)},
        // More than one packet can carry.
        {command::readMemory, 57, 0},
        {command::writeMemory, 200, 0},
    };
    for (const Case& c : cases) {
        const auto reply = roundTrip(*mouse, makeCommandRequest(c.code, c.length, c.offset, data));
        EXPECT_EQ(reply[field::status], status::outOfRange)
            << "command " << int(c.code) << " length " << int(c.length) << " offset " << c.offset;
        EXPECT_TRUE(std::all_of(reply.begin() + kCommandDataOffset, reply.end(), [](uint8_t b) { return b == 0; }));
    }
    EXPECT_EQ(mouse->readMemory(0, mouse->settingsSize()), settings);
    EXPECT_EQ(mouse->keyTable(0), keys);

    // Reads and writes that end exactly at the end of an area are fine.
    EXPECT_EQ(roundTrip(*mouse, makeCommandRequest(command::readMemory, 4, uint16_t(settingsEnd - 4)))[field::status],
              status::accepted);
    EXPECT_EQ(roundTrip(*mouse, makeCommandRequest(command::writeMacroData, 56, 2048 - 56, data))[field::status],
              status::accepted);

    // A device without keys still answers for its key-table slot, with zeros.
    auto pad = make("mousepad");
    const auto padKeys = roundTrip(*pad, makeCommandRequest(command::readKeyTable, 56, 0));
    EXPECT_EQ(padKeys[field::status], status::accepted);
    EXPECT_TRUE(std::all_of(padKeys.begin() + kCommandDataOffset, padKeys.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(pad->keyTable(0).empty());
    EXPECT_EQ(roundTrip(*pad, makeCommandRequest(command::writeMacroData, 1, 0, data))[field::status],
              status::outOfRange);
}

TEST(FirmwareDeviceTest, MalformedOrForeignReportsGetNoAnswer) {
    auto mouse = make("mouse");
    RecordingHost host;
    // Wrong report ID, empty report, the boot interface, the keyboard LED output on the vendor interface.
    const std::vector<uint8_t> wrongId = {0x03, 0x01, 0x00, 0x01};
    mouse->handleOutput(1, wrongId, host);
    mouse->handleOutput(1, std::span<const uint8_t>{}, host);
    const auto request = makeCommandRequest(command::isOnline);
    mouse->handleOutput(0, request, host);
    const std::vector<uint8_t> leds = {0x01, 0x02};
    mouse->handleOutput(1, leds, host);
    EXPECT_TRUE(host.takeInputs().empty());
    EXPECT_EQ(mouse->requestLog().size(), 4u);

    // A short command report is taken as zero-filled: its checksum still has to match.
    const std::vector<uint8_t> shortBegin = {0x04, 0x01, 0x00, 0x01};
    mouse->handleOutput(1, shortBegin, host);
    auto replies = host.takeInputs();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].report[field::status], status::accepted);
    // A longer one is cut to 64 bytes; the reply is 64 bytes all the same.
    std::vector<uint8_t> longReport(request.begin(), request.end());
    longReport.resize(100, 0x77);
    mouse->handleOutput(1, longReport, host);
    replies = host.takeInputs();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].report.size(), kCommandReportSize);
    EXPECT_EQ(replies[0].report[field::status], status::accepted);
}

TEST(FirmwareDeviceTest, NotificationsUseTheConsumerCollection) {
    auto mouse = make("mouse");
    RecordingHost host;
    mouse->sendNotification(host, 0x401);
    auto inputs = host.takeInputs();
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0].interfaceNumber, 1);
    EXPECT_EQ(inputs[0].report, (std::vector<uint8_t>{0x03, 0x01, 0x04}));

    auto headset = make("headset");
    headset->sendNotification(host, 0x404);
    inputs = host.takeInputs();
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0].interfaceNumber, 3);
    EXPECT_EQ(inputs[0].report, (std::vector<uint8_t>{0x01, 0x04, 0x04}));
}

TEST(FirmwareDeviceFactoryTest, KindsIdentitiesAndVersions) {
    struct Expect {
        const char* kind;
        uint16_t vendor;
        uint16_t product;
        std::vector<int> interfaces;
        int commandInterface;
    };
    const std::vector<Expect> expected = {
        {"mouse", 0x0C45, 0x7643, {0, 1}, 1},    {"mousepad", 0x0C45, 0x6627, {0, 1}, 1},
        {"headset", 0x0D8C, 0x01DA, {3}, 3},     {"keyboard", 0x0C45, 0x7650, {0, 1}, 1},
        {"receiver", 0x0C45, 0x7652, {0, 1}, 1},
    };
    ASSERT_EQ(deviceKinds().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Expect& e = expected[i];
        EXPECT_EQ(deviceKinds()[i], e.kind);
        std::unique_ptr<EmulatedDevice> device = makeDevice(e.kind);
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->vendorId(), e.vendor) << e.kind;
        EXPECT_EQ(device->productId(), e.product) << e.kind;
        EXPECT_EQ(device->versionNumber(), kDefaultVersionNumber);
        EXPECT_FALSE(device->productName().empty());
        std::vector<int> numbers;
        for (const auto& usbInterface : device->interfaces()) {
            numbers.push_back(usbInterface.number);
            EXPECT_FALSE(usbInterface.reportDescriptor.empty());
        }
        EXPECT_EQ(numbers, e.interfaces) << e.kind;
        EXPECT_EQ(static_cast<FirmwareDevice&>(*device).commandInterface(), e.commandInterface);
    }
    EXPECT_EQ(makeDevice("trackball"), nullptr);
    EXPECT_EQ(makeDevice(""), nullptr);

    auto old = makeDevice("mouse", 0x0102);
    EXPECT_EQ(old->versionNumber(), 0x0102);
    old->setVersionNumber(0x0103);
    EXPECT_EQ(old->versionNumber(), 0x0103);
    EXPECT_EQ(old->deviceInfo()[3], 0x03);
}

} // namespace
} // namespace pelan::emu
