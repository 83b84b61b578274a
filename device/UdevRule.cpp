#include "device/UdevRule.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace pelan {
namespace {

constexpr const char* kInterfaceVariable = "ORVANE_PELAN_INTERFACE";

struct RuleLine {
    uint16_t vendorId;
    uint16_t productId;
    uint16_t interfaceNumber;
    std::string deviceName;
};

// One line per USB interface: the collections of an interface share its hidraw node.
std::vector<RuleLine> ruleLines(const KnownDeviceTable& table) {
    std::vector<RuleLine> lines;
    for (const KnownInterface& known : table) {
        const SupportedDeviceEntry& row = known.entry;
        const bool present = std::any_of(lines.begin(), lines.end(), [&](const RuleLine& line) {
            return line.vendorId == row.vendorId && line.productId == row.productId &&
                   line.interfaceNumber == row.interfaceNumber;
        });
        if (!present)
            lines.push_back({row.vendorId, row.productId, row.interfaceNumber, known.deviceName});
    }
    return lines;
}

} // namespace

std::string udevRuleInstallCommand() {
    return std::string("pelanctl udev-rule | sudo tee /etc/udev/rules.d/") + kUdevRuleFileName +
           " && sudo udevadm control --reload && sudo udevadm trigger";
}

std::string udevRule(const KnownDeviceTable& table) {
    std::string rule =
        "# ORVANE Pelan: gives the user at the seat access to the hidraw nodes of the HID interfaces the program\n"
        "# uses, and to no other interface of the same devices. Made by pelanctl udev-rule from the device files.\n"
        "# Install: " +
        udevRuleInstallCommand() +
        "\n"
        "ACTION==\"remove\", GOTO=\"orvane_pelan_end\"\n"
        "SUBSYSTEM!=\"hidraw\", GOTO=\"orvane_pelan_end\"\n"
        "# udev matches the ATTRS of one rule on one device: the interface number sits on the USB interface and\n"
        "# the IDs on the USB device above it, so the number is noted first.\n"
        "ATTRS{bInterfaceNumber}==\"?*\", ENV{" +
        std::string(kInterfaceVariable) + "}=\"$attr{bInterfaceNumber}\"\n";
    for (const RuleLine& line : ruleLines(table)) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "ENV{%s}==\"%02x\", ATTRS{idVendor}==\"%04x\", ATTRS{idProduct}==\"%04x\", TAG+=\"uaccess\"\n",
                      kInterfaceVariable, line.interfaceNumber, line.vendorId, line.productId);
        rule += "# " + (line.deviceName.empty() ? std::string("unnamed device") : line.deviceName) + "\n" + text;
    }
    rule += "LABEL=\"orvane_pelan_end\"\n";
    return rule;
}

} // namespace pelan
