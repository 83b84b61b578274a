// The supported-device table from device files: the shipped files, files that add or replace devices, files that
// are broken, and the udev rule made from the table.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "device/DeviceFiles.h"
#include "device/UdevRule.h"
#include "platform/Paths.h"
#include "support/TempFolder.h"
#include "support/TraceCapture.h"

namespace pelan {
namespace {

namespace fs = std::filesystem;

std::string sourceFolder() {
    return std::getenv("PELAN_SOURCE_DIR");
}

std::string shippedFolder() {
    return sourceFolder() + "/DefaultData/devices/";
}

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

SupportedDeviceEntry row(uint16_t vendor, uint16_t product, uint16_t interface, uint16_t collection, uint16_t kind,
                         uint16_t role, uint16_t usagePage, uint16_t usage) {
    SupportedDeviceEntry entry;
    entry.vendorId = vendor;
    entry.productId = product;
    entry.interfaceNumber = interface;
    entry.collectionNumber = collection;
    entry.deviceKind = kind;
    entry.interfaceRole = role;
    entry.usagePage = usagePage;
    entry.usage = usage;
    return entry;
}

constexpr const char* kKeyboardFile = "kind = keyboard\ninterface = 1234:5678 01 04 command ff1c:0092\n"
                                      "interface = 1234:5678 01 03 notification 000c:0001\n";

TEST(DeviceFilesTest, TheShippedFilesGiveTheTableTheProgramHadBuiltIn) {
    const std::vector<SupportedDeviceEntry> builtIn = {
        row(0xFFFF, 0xFFFF, 1, 4, kDeviceKindKeyboard, kInterfaceRoleCommand, 0xFF1C, 0x92),
        row(0xFFFF, 0xFFFF, 1, 3, kDeviceKindKeyboard, kInterfaceRoleNotification, 0x000C, 0x01),
        row(0x0C45, 0x7643, 1, 4, kDeviceKindMouse, kInterfaceRoleCommand, 0xFF1C, 0x92),
        row(0x0C45, 0x7643, 1, 3, kDeviceKindMouse, kInterfaceRoleNotification, 0x000C, 0x01),
        row(0x0C45, 0x6627, 1, 4, kDeviceKindMousepad, kInterfaceRoleCommand, 0xFF1C, 0x92),
        row(0x0C45, 0x6627, 1, 3, kDeviceKindMousepad, kInterfaceRoleNotification, 0x000C, 0x01),
        row(0x0D8C, 0x01DA, 3, 0, kDeviceKindHeadset, kInterfaceRoleCommand, 0x000C, 0x01),
    };
    const std::vector<SupportedDeviceEntry> loaded = tableEntries(loadDeviceFiles({shippedFolder()}));
    ASSERT_EQ(loaded.size(), builtIn.size());
    for (size_t i = 0; i < builtIn.size(); ++i) {
        EXPECT_TRUE(sameTableRow(loaded[i], builtIn[i])) << "row " << i;
        EXPECT_EQ(loaded[i].connected, 0) << "row " << i;
        EXPECT_EQ(loaded[i].reserved1, 0) << "row " << i;
        EXPECT_EQ(loaded[i].reserved2, 0) << "row " << i;
        EXPECT_TRUE(loaded[i].devicePath.empty()) << "row " << i;
    }
}

TEST(DeviceFilesTest, TheDemoFilesAreReadOnlyInAnEmulatedRun) {
    setProgramFolderOverride(sourceFolder());
    ::unsetenv("PELAN_HIDRAW_ROOT");
    const std::vector<std::string> real = deviceFileFolders();
    ::setenv("PELAN_HIDRAW_ROOT", "/tmp/somewhere", 1);
    const std::vector<std::string> emulated = deviceFileFolders();
    ::unsetenv("PELAN_HIDRAW_ROOT");
    setProgramFolderOverride("");
    EXPECT_EQ(real, (std::vector<std::string>{shippedFolder(), "/etc/orvane-pelan/devices.d/",
                                              configFolder() + "orvane-pelan/devices.d/"}));
    ASSERT_EQ(emulated.size(), 4u);
    EXPECT_EQ(emulated[1], shippedFolder() + "demo/");
    // The demo files give the emulator's keyboard and the mouse behind its receiver, the wireless kind.
    const auto demo = tableEntries(loadDeviceFiles({emulated[1]}));
    ASSERT_EQ(demo.size(), 4u);
    EXPECT_TRUE(sameTableRow(demo[0], row(0x0C45, 0x7650, 1, 4, kDeviceKindKeyboard, 0, 0xFF1C, 0x92)));
    EXPECT_TRUE(sameTableRow(demo[3], row(0x0C45, 0x7652, 1, 3, kDeviceKindWirelessMouse, 0xFF, 0x000C, 0x01)));
}

TEST(DeviceFilesTest, AFileReadsBackAsItWasWritten) {
    DeviceFile file;
    file.name = "Receiver";
    file.kind = kDeviceKindMouse;
    file.rows = {row(0x0C45, 0x7652, 1, 4, kDeviceKindWirelessMouse, 0, 0xFF1C, 0x92),
                 row(0x0C45, 0x7652, 0x0A, 3, kDeviceKindWirelessMouse, 0xFF, 0x000C, 0x01)};
    std::string error;
    const std::optional<DeviceFile> back = parseDeviceFile(formatDeviceFile(file), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->name, "Receiver");
    EXPECT_EQ(back->kind, kDeviceKindMouse);
    ASSERT_EQ(back->rows.size(), 2u);
    for (size_t i = 0; i < 2; ++i)
        EXPECT_TRUE(sameTableRow(back->rows[i], file.rows[i])) << i;
}

TEST(DeviceFilesTest, BadLinesAreRefusedNamingTheLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"kind = mouse\ninterface = 0c45:7643 01 04 command\n", "line 2"},
        {"kind = mouse\ninterface = 0c45 01 04 command ff1c:0092\n", "line 2"},
        {"kind = mouse\ninterface = 0c45:7643 01 04 both ff1c:0092\n", "line 2"},
        {"kind = mouse\ninterface = 0c45:7643 100 04 command ff1c:0092\n", "line 2"},
        {"kind = mouse\ninterface = 0c45:17643 01 04 command ff1c:0092\n", "line 2"},
        {"kind = mouse\ninterface = 0c45:7643 01 04 command ff1c:0092 wired\n", "line 2"},
        {"kind = mouse\n# two\ninterface = 0c45:7643 01 04 command ff1c:0092\n"
         "interface = 0c45:7643 01 04 notification 000c:0001\n",
         "line 4"},
        {"kind = keyboard\ninterface = 0c45:7643 01 04 command ff1c:0092 wireless\n", "line 2"},
        {"kind = trackball\n", "line 1"},
        {"colour = red\n", "line 1"},
        {"just words\n", "line 1"},
        {"interface = 0c45:7643 01 04 command ff1c:0092\n", "kind"},
    };
    for (const auto& [text, where] : cases) {
        std::string error;
        EXPECT_FALSE(parseDeviceFile(text, error)) << text;
        EXPECT_NE(error.find(where), std::string::npos) << text << " -> " << error;
    }
}

class DeviceFileFolders : public ::testing::Test {
protected:
    std::string folder(const std::string& name) { return temp.file(name) + "/"; }
    testing::TempFolder temp;
    test::TraceCapture traces;
};

TEST_F(DeviceFileFolders, AUserFileAddsADeviceOrReplacesTheShippedFileOfItsName) {
    writeText(folder("user") + "50-keyboard.device", kKeyboardFile);
    // An empty file of a shipped name takes that device out.
    writeText(folder("user") + "30-mousepad.device", "");
    const KnownDeviceTable table = loadDeviceFiles({shippedFolder(), folder("etc"), folder("user")});
    ASSERT_EQ(table.size(), 7u);
    EXPECT_EQ(table[0].entry.vendorId, 0xFFFF);
    EXPECT_EQ(table[0].file, shippedFolder() + "10-keyboard.device");
    EXPECT_EQ(table[4].entry.productId, 0x01DA);
    EXPECT_EQ(table[5].entry.productId, 0x5678);
    EXPECT_EQ(table[5].entry.deviceKind, kDeviceKindKeyboard);
    EXPECT_EQ(table[6].file, folder("user") + "50-keyboard.device");
}

TEST_F(DeviceFileFolders, ABrokenFileIsLeftOutWholeAndChangesNothingElse) {
    const KnownDeviceTable before = loadDeviceFiles({shippedFolder(), folder("user")});
    writeText(folder("user") + "55-broken.device",
              "kind = keyboard\ninterface = 1234:5678 01 04 command ff1c:0092\ninterface = oops\n");
    writeText(folder("user") + "56-huge.device", std::string(100 * 1024, '#'));
    writeText(folder("user") + "57-notes.txt", "not a device file");
    const KnownDeviceTable after = loadDeviceFiles({shippedFolder(), folder("user")});
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i)
        EXPECT_TRUE(sameTableRow(after[i].entry, before[i].entry)) << i;
    EXPECT_TRUE(traces.count(folder("user") + "55-broken.device left out: line 3") > 0);
    EXPECT_TRUE(traces.count(folder("user") + "56-huge.device left out: cannot be read") > 0);
}

TEST_F(DeviceFileFolders, OfTwoFilesNamingOneInterfaceTheLaterFolderWins) {
    // The user's file comes first by name, yet its folder is read later.
    writeText(folder("user") + "05-my-mouse.device",
              "name = Mine\nkind = mouse\ninterface = 0c45:7643 01 04 command ff1c:0092 wireless\n");
    writeText(folder("etc") + "90-site-mouse.device",
              "name = Site\nkind = mouse\ninterface = 0c45:7643 01 03 notification 000c:0001 wireless\n");
    const KnownDeviceTable table = loadDeviceFiles({shippedFolder(), folder("etc"), folder("user")});
    ASSERT_EQ(table.size(), 7u);
    const auto named = [&](uint16_t collection) {
        for (const KnownInterface& known : table)
            if (known.entry.productId == 0x7643 && known.entry.collectionNumber == collection)
                return known;
        return KnownInterface{};
    };
    EXPECT_EQ(named(4).deviceName, "Mine");
    EXPECT_EQ(named(4).entry.deviceKind, kDeviceKindWirelessMouse);
    EXPECT_EQ(named(3).deviceName, "Site");
    EXPECT_EQ(
        traces.count("both name 0c45:7643 interface 01 collection 04: " + folder("user") + "05-my-mouse.device wins"),
        1);
    EXPECT_EQ(
        traces.count("both name 0c45:7643 interface 01 collection 03: " + folder("etc") + "90-site-mouse.device wins"),
        1);
}

// Every line of the rule is a comment or a list of KEY op "value" pairs joined by commas, as udev reads them.
bool isRuleLine(const std::string& line) {
    static const std::string pair = R"re([A-Z]+(\{[A-Za-z_]+\})?(==|!=|=|\+=)"[^"]*")re";
    static const std::regex list("^" + pair + "(, " + pair + ")*$");
    return line.empty() || line.front() == '#' || std::regex_match(line, list);
}

TEST(UdevRuleTest, TheRuleGrantsExactlyTheTablesInterfacesAndIsWellFormed) {
    KnownDeviceTable table = loadDeviceFiles({shippedFolder()});
    table.push_back({row(0x1234, 0x5678, 2, 0, kDeviceKindKeyboard, 0, 0xFF1C, 0x92), "Added", "x"});
    const std::string rule = udevRule(table);
    std::vector<std::string> granted;
    std::istringstream lines(rule);
    const std::regex grant(
        R"re(^ENV\{ORVANE_PELAN_INTERFACE\}=="([0-9a-f]{2})", ATTRS\{idVendor\}=="([0-9a-f]{4})", ATTRS\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess"$)re");
    for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(isRuleLine(line)) << line;
        std::smatch match;
        if (std::regex_match(line, match, grant))
            granted.push_back(match[2].str() + ":" + match[3].str() + " " + match[1].str());
        else
            EXPECT_EQ(line.find("uaccess"), std::string::npos) << "access without an interface: " << line;
    }
    // One line per USB interface: the two collections of interface 1 share its node.
    EXPECT_EQ(granted, (std::vector<std::string>{"ffff:ffff 01", "0c45:7643 01", "0c45:6627 01", "0d8c:01da 03",
                                                 "1234:5678 02"}));
    // The interface number is taken from the USB interface above the node, the only place it is found.
    EXPECT_NE(rule.find("ATTRS{bInterfaceNumber}==\"?*\", ENV{ORVANE_PELAN_INTERFACE}=\"$attr{bInterfaceNumber}\""),
              std::string::npos);

    // udevadm checks the rule itself where it is new enough to have "verify".
    if (std::system("udevadm verify --help >/dev/null 2>&1") == 0) {
        testing::TempFolder temp;
        writeText(temp.file(kUdevRuleFileName), rule);
        EXPECT_EQ(std::system(("udevadm verify " + temp.file(kUdevRuleFileName)).c_str()), 0);
    }
}

} // namespace
} // namespace pelan
