#include <atomic>
#include <chrono>
#include <future>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "device/DeviceFiles.h"
#include "device/HidDevice.h"
#include "device/SupportedDevices.h"
#include "emulator/FirmwareDevice.h"
#include "platform/Paths.h"
#include "support/EmulatedTree.h"

namespace pelan {
namespace {

using Clock = std::chrono::steady_clock;

// The table of the shipped device files alone, whatever the run.
const std::vector<SupportedDeviceEntry>& shipped() {
    static const std::vector<SupportedDeviceEntry> table =
        tableEntries(loadDeviceFiles({std::string(std::getenv("PELAN_SOURCE_DIR")) + "/DefaultData/devices/"}));
    return table;
}

TEST(HidPathParsing, ReadsHexadecimalAfterKeysFoundCaseInsensitively) {
    const std::string mouse = "\\\\?\\hid#vid_0c45&pid_7643&mi_01&col04#hidraw3";
    EXPECT_EQ(HidDevice::parseVendorId(mouse), 0x0C45);
    EXPECT_EQ(HidDevice::parseProductId(mouse), 0x7643);
    EXPECT_EQ(HidDevice::parseInterfaceNumber(mouse), 1);
    EXPECT_EQ(HidDevice::parseCollectionNumber(mouse), 4);

    const std::string upper = "\\\\?\\HID#VID_0D8C&PID_01DA&MI_03#7&ABC&0&0000#{4d1e55b2}";
    EXPECT_EQ(HidDevice::parseVendorId(upper), 0x0D8C);
    EXPECT_EQ(HidDevice::parseProductId(upper), 0x01DA);
    EXPECT_EQ(HidDevice::parseInterfaceNumber(upper), 3);
    EXPECT_EQ(HidDevice::parseCollectionNumber(upper), 0);
    EXPECT_EQ(matchSupportedPath(shipped(), upper), 6);

    const std::string bare = "\\\\?\\hid#vid_046d&pid_c52b#hidraw0";
    EXPECT_EQ(HidDevice::parseInterfaceNumber(bare), 0);
    EXPECT_EQ(HidDevice::parseCollectionNumber(bare), 0);
    EXPECT_EQ(HidDevice::parseVendorId("no keys at all"), 0);
    EXPECT_EQ(HidDevice::parseVendorId("vid_zz"), 0);
}

TEST(HidPathParsing, OnlyTheFourNumbersDecideTheTableRow) {
    EXPECT_EQ(matchSupportedPath(shipped(), "\\\\?\\hid#vid_0c45&pid_7643&mi_01&col04#x"), 2);
    EXPECT_EQ(matchSupportedPath(shipped(), "\\\\?\\hid#vid_0c45&pid_7643&mi_01&col03#x"), 3);
    EXPECT_EQ(matchSupportedPath(shipped(), "\\\\?\\hid#vid_0c45&pid_6627&mi_01&col04#x"), 4);
    EXPECT_EQ(matchSupportedPath(shipped(), "\\\\?\\hid#vid_0c45&pid_7643&mi_01&col02#x"), -1);
    EXPECT_EQ(matchSupportedPath(shipped(), "\\\\?\\hid#vid_0c45&pid_7643&mi_00#x"), -1);
    EXPECT_EQ(matchSupportedPath(shipped(), "\\\\?\\hid#vid_ffff&pid_ffff&mi_01&col04#x"), 0);
}

TEST(HidEnumeration, AnEmptyTreeGivesNoPaths) {
    test::EmulatedTree emulated;
    HidDevice device;
    EXPECT_TRUE(device.enumerate());
    EXPECT_EQ(device.pathCount(), 0u);
    EXPECT_FALSE(device.nextDevicePath().has_value());
}

class EmulatedDevices : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* kind : {"mouse", "mousepad", "headset", "keyboard"}) {
            std::shared_ptr<emu::FirmwareDevice> device = emu::makeDevice(kind);
            ASSERT_NE(device, nullptr);
            ids[kind] = emulated.tree().plug(device);
            devices[kind] = device;
            ASSERT_GT(ids[kind], 0);
        }
    }

    std::string pathOf(const std::string& kind, int collection) { return emulated.pathOf(ids[kind], collection); }

    test::EmulatedTree emulated;
    std::map<std::string, int> ids;
    std::map<std::string, std::shared_ptr<emu::FirmwareDevice>> devices;
};

std::set<int> identifiedRows(const std::vector<SupportedDeviceEntry>& table) {
    HidDevice enumerator;
    EXPECT_TRUE(enumerator.enumerate());
    std::set<int> rows;
    HidDevice probe;
    while (auto path = enumerator.nextDevicePath()) {
        const int row = identifySupportedInterface(table, *path, probe);
        if (row >= 0) {
            EXPECT_TRUE(rows.insert(row).second) << "row " << row << " matched twice";
        }
        EXPECT_FALSE(probe.isOpen());
    }
    return rows;
}

TEST_F(EmulatedDevices, TheShippedTableNeverFindsTheKeyboardAndTheEmulatedRunsTableDoes) {
    EXPECT_EQ(identifiedRows(shipped()), (std::set<int>{2, 3, 4, 5, 6}));
    // The run is emulated (its hidraw root is moved), so the demo files add the emulator's keyboard and receiver.
    setProgramFolderOverride(std::getenv("PELAN_SOURCE_DIR"));
    const std::vector<SupportedDeviceEntry> table = supportedDeviceTable();
    setProgramFolderOverride("");
    EXPECT_EQ(identifiedRows(table), (std::set<int>{2, 3, 4, 5, 6, 7, 8}));
}

// The emulated mouse with a 00 pad byte after the last End Collection of its vendor interface, as some firmwares
// send their descriptors.
class PaddedDescriptorMouse : public emu::EmulatedDevice {
public:
    uint16_t vendorId() const override { return firmware->vendorId(); }
    uint16_t productId() const override { return firmware->productId(); }
    uint16_t versionNumber() const override { return firmware->versionNumber(); }
    std::string productName() const override { return firmware->productName(); }
    std::vector<emu::UsbInterfaceDescription> interfaces() const override {
        std::vector<emu::UsbInterfaceDescription> list = firmware->interfaces();
        for (emu::UsbInterfaceDescription& usb : list)
            if (usb.number == firmware->commandInterface())
                usb.reportDescriptor.push_back(0x00);
        return list;
    }
    void handleOutput(int number, std::span<const uint8_t> report, emu::HostLink& host) override {
        firmware->handleOutput(number, report, host);
    }

    std::shared_ptr<emu::FirmwareDevice> firmware = emu::makeDevice("mouse");
};

TEST(HidEnumeration, ADescriptorPaddedWithAZeroByteStillGivesEveryCollection) {
    test::EmulatedTree emulated;
    auto mouse = std::make_shared<PaddedDescriptorMouse>();
    const int id = emulated.tree().plug(mouse);
    ASSERT_GT(id, 0);
    EXPECT_EQ(identifiedRows(shipped()), (std::set<int>{2, 3}));
    HidDevice command;
    ASSERT_TRUE(command.open(emulated.pathOf(id, 4), true, true, true, false));
    EXPECT_EQ(command.caps.InputReportByteLength, 64);
}

TEST_F(EmulatedDevices, PathsHaveTheInterfaceAndCollectionKeysOfTheirNodes) {
    const std::string command = pathOf("mouse", 4);
    ASSERT_FALSE(command.empty());
    EXPECT_NE(command.find("vid_0c45&pid_7643&mi_01&col04#hidraw"), std::string::npos) << command;
    const std::string headset = pathOf("headset", 0);
    ASSERT_FALSE(headset.empty());
    EXPECT_NE(headset.find("vid_0d8c&pid_01da&mi_03#hidraw"), std::string::npos) << headset;
}

TEST_F(EmulatedDevices, OpenReportsAttributesAndCapsOfTheCollection) {
    // The version is what the device reports when it is plugged in.
    ASSERT_TRUE(emulated.tree().unplug(ids["mouse"]));
    devices["mouse"]->setVersionNumber(0x0102);
    ids["mouse"] = emulated.tree().plug(devices["mouse"]);
    HidDevice device;
    ASSERT_TRUE(device.open(pathOf("mouse", 4), true, true, true, false));
    EXPECT_EQ(device.attributes.VendorID, 0x0C45);
    EXPECT_EQ(device.attributes.ProductID, 0x7643);
    EXPECT_EQ(device.attributes.VersionNumber, 0x0102);
    EXPECT_EQ(device.caps.UsagePage, 0xFF1C);
    EXPECT_EQ(device.caps.Usage, 0x92);
    EXPECT_EQ(device.caps.InputReportByteLength, 64);
    EXPECT_EQ(device.caps.OutputReportByteLength, 64);
    EXPECT_EQ(device.interfaceNumber, 1u);
    EXPECT_EQ(device.collectionNumber, 4u);
    EXPECT_EQ(device.input.report.size(), 64u);

    HidDevice notification;
    ASSERT_TRUE(notification.open(pathOf("mouse", 3), true, false, true, false));
    EXPECT_EQ(notification.caps.UsagePage, 0x000C);
    EXPECT_EQ(notification.caps.Usage, 0x01);
}

TEST_F(EmulatedDevices, AReportWrittenIsAnsweredOnTheSameCollection) {
    HidDevice device;
    ASSERT_TRUE(device.open(pathOf("mouse", 4), true, true, true, false));
    uint8_t request[64] = {0x04, 0, 0, 0xAA};
    request[1] = 0xAA; // checksum of bytes 3..63
    uint32_t written = 0;
    ASSERT_EQ(device.writeReport(64, written, request, 1000), 1);
    EXPECT_EQ(written, 64u);
    uint8_t reply[64] = {};
    uint32_t got = 0;
    ASSERT_EQ(device.readReport(64, got, reply, 1000), 1);
    EXPECT_EQ(got, 64u);
    EXPECT_EQ(reply[0], 0x04);
    EXPECT_EQ(reply[3], 0xAA);
    EXPECT_EQ(reply[8], 0xFF);
    ASSERT_FALSE(devices["mouse"]->requestLog().empty());
    EXPECT_EQ(devices["mouse"]->requestLog().back().bytes[3], 0xAA);
}

TEST_F(EmulatedDevices, EachCollectionReceivesOnlyItsOwnReports) {
    HidDevice command, notification;
    ASSERT_TRUE(command.open(pathOf("mouse", 4), true, true, true, false));
    ASSERT_TRUE(notification.open(pathOf("mouse", 3), true, false, true, false));
    emu::FirmwareDevice& mouse = *devices["mouse"];
    emulated.tree().sendInput(ids["mouse"], mouse.notificationInterface(), mouse.notificationReport(0x401));
    std::vector<uint8_t> commandReply(64, 0);
    commandReply[0] = 0x04;
    emulated.tree().sendInput(ids["mouse"], mouse.commandInterface(), commandReply);

    uint8_t buffer[64] = {};
    uint32_t got = 0;
    ASSERT_EQ(notification.readReport(sizeof(buffer), got, buffer, 1000), 1);
    EXPECT_EQ(buffer[0], 3);
    ASSERT_TRUE(notification.unpackReport(notification.input.data, buffer, got, HidReportKind::Input));
    bool found = false;
    for (const HidData& entry : notification.input.data)
        if (entry.IsButtonData && entry.IsDataSet && !entry.Usages.empty() && entry.Usages[0] == 0x401)
            found = true;
    EXPECT_TRUE(found);
    EXPECT_EQ(notification.readReport(sizeof(buffer), got, buffer, 200), 0) << "the command reply leaked in";

    ASSERT_EQ(command.readReport(sizeof(buffer), got, buffer, 1000), 1);
    EXPECT_EQ(buffer[0], 4);
}

TEST_F(EmulatedDevices, AReadOnASilentDeviceTimesOutWithNothing) {
    HidDevice device;
    ASSERT_TRUE(device.open(pathOf("mouse", 4), true, true, true, false));
    uint8_t buffer[64] = {0x55};
    uint32_t got = 7;
    const auto start = Clock::now();
    EXPECT_EQ(device.readReport(64, got, buffer, 1000), 0);
    const auto waited = Clock::now() - start;
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(buffer[0], 0x55);
    EXPECT_GE(waited, std::chrono::milliseconds(950));
    EXPECT_LT(waited, std::chrono::seconds(5));
}

TEST_F(EmulatedDevices, CloseFromAnotherThreadEndsAnUnlimitedRead) {
    HidDevice device;
    ASSERT_TRUE(device.open(pathOf("mouse", 4), true, true, true, false));
    std::vector<uint8_t> buffer(64, 0x5A);
    uint32_t got = 9;
    auto reader = std::async(std::launch::async, [&] { return device.readReport(64, got, buffer.data(), 0xFFFFFFFF); });
    EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    device.close();
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(reader.get(), 0);
    EXPECT_EQ(got, 0u);
    // A later input must not land in the buffer of the call that already returned.
    emulated.tree().sendInput(ids["mouse"], 1, std::vector<uint8_t>(64, 0x04));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(buffer[0], 0x5A);
    EXPECT_FALSE(device.isOpen());
}

TEST_F(EmulatedDevices, ACancelMeantForOneReadDoesNotEndTheNext) {
    HidDevice device;
    ASSERT_TRUE(device.open(pathOf("mouse", 4), true, true, true, false));
    device.handle->cancel(); // nothing waits: must not linger
    uint8_t buffer[64];
    uint32_t got = 0;
    const auto start = Clock::now();
    EXPECT_EQ(device.readReport(64, got, buffer, 300), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(250));
}

TEST_F(EmulatedDevices, UnplugEndsAWaitingReadAndLaterOpensFail) {
    const std::string path = pathOf("mouse", 4);
    HidDevice device;
    ASSERT_TRUE(device.open(path, true, true, true, false));
    uint8_t buffer[64];
    uint32_t got = 0;
    auto reader = std::async(std::launch::async, [&] { return device.readReport(64, got, buffer, 0xFFFFFFFF); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(emulated.tree().unplug(ids["mouse"]));
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(reader.get(), 0);
    uint32_t written = 0;
    EXPECT_EQ(device.writeReport(64, written, buffer, 1000), 0);
    device.close();
    EXPECT_FALSE(device.open(path, true, true, true, false));
    HidDevice probe;
    EXPECT_EQ(identifySupportedInterface(shipped(), path, probe), -1);
}

TEST_F(EmulatedDevices, ReplugGivesANewNodeThatIsIdentifiedAgain) {
    const std::string before = pathOf("headset", 0);
    ASSERT_TRUE(emulated.tree().unplug(ids["headset"]));
    HidDevice enumerator;
    ASSERT_TRUE(enumerator.enumerate());
    for (const std::string& path : enumerator.pathList)
        EXPECT_NE(path, before);
    ids["headset"] = emulated.tree().plug(devices["headset"]);
    const std::string path = pathOf("headset", 0);
    ASSERT_FALSE(path.empty());
    HidDevice probe;
    EXPECT_EQ(identifySupportedInterface(shipped(), path, probe), 6);
}

} // namespace
} // namespace pelan
