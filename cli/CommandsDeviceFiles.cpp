// Commands over the device files: the table they make (devices --known), a file for a device with new IDs
// (devices add) and the udev rule for the table (udev-rule).
#include "cli/Commands.h"
#include "device/DeviceFiles.h"
#include "device/UdevRule.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace pelan::cli {
namespace {

Json::Value knownRowDocument(const KnownInterface& known) {
    const SupportedDeviceEntry& row = known.entry;
    Json::Value item;
    item["name"] = known.deviceName;
    item["kind"] = deviceKindFileName(row.deviceKind);
    item["wireless"] = row.deviceKind == kDeviceKindWirelessMouse;
    item["role"] = row.interfaceRole == kInterfaceRoleCommand ? "command" : "notification";
    item["vendor"] = hexNumber(row.vendorId, 4);
    item["product"] = hexNumber(row.productId, 4);
    item["interface"] = row.interfaceNumber;
    item["collection"] = row.collectionNumber;
    item["usagePage"] = hexNumber(row.usagePage, 4);
    item["usage"] = hexNumber(row.usage, 2);
    item["file"] = known.file;
    return item;
}

Json::Value tableDocument(const KnownDeviceTable& table) {
    Json::Value list(Json::arrayValue);
    for (const KnownInterface& known : table)
        list.append(knownRowDocument(known));
    return list;
}

// "0c45:7650" as two numbers.
bool parseIds(const std::string& text, uint16_t& vendor, uint16_t& product) {
    unsigned v = 0;
    unsigned p = 0;
    char end = 0;
    if (text.size() != 9 || std::sscanf(text.c_str(), "%4x:%4x%c", &v, &p, &end) != 2 ||
        text.find_first_not_of("0123456789abcdefABCDEF:") != std::string::npos)
        return false;
    vendor = uint16_t(v);
    product = uint16_t(p);
    return true;
}

// The interface rows of a kind as the shipped file of the kind gives them, with other IDs.
std::vector<SupportedDeviceEntry> rowsOfKind(uint16_t kind, uint16_t vendor, uint16_t product, bool wireless) {
    std::vector<SupportedDeviceEntry> rows;
    for (const KnownInterface& known : loadDeviceFiles({shippedDeviceFileFolder()})) {
        if (pageKindOf(known.entry.deviceKind) != kind)
            continue;
        if (!rows.empty() &&
            (known.entry.vendorId != rows.front().vendorId || known.entry.productId != rows.front().productId))
            continue;
        rows.push_back(known.entry);
    }
    for (SupportedDeviceEntry& row : rows) {
        row.vendorId = vendor;
        row.productId = product;
        row.deviceKind = wireless ? uint16_t(kDeviceKindWirelessMouse) : kind;
    }
    return rows;
}

CommandResult addDevice(const Words& args) {
    const bool wireless = std::find(args.begin(), args.end(), "--wireless") != args.end();
    Words rest;
    std::copy_if(args.begin(), args.end(), std::back_inserter(rest), [](const auto& w) { return w != "--wireless"; });
    if (rest.size() != 2)
        return usageFailed("devices add takes KIND VID:PID [--wireless]");
    const uint16_t kind = deviceKindFromName(rest[0]);
    if (kind == 0)
        return usageFailed("unknown kind " + rest[0] + " (mouse, mousepad, headset or keyboard)");
    if (wireless && kind != kDeviceKindMouse)
        return usageFailed("only a mouse can be wireless");
    uint16_t vendor = 0;
    uint16_t product = 0;
    if (!parseIds(rest[1], vendor, product))
        return usageFailed("VID:PID must be two four-digit hexadecimal numbers such as 0c45:7650");

    DeviceFile file;
    file.kind = kind;
    file.rows = rowsOfKind(kind, vendor, product, wireless);
    if (file.rows.empty())
        return failed("the shipped device files have no " + rest[0] + " to copy the interfaces from");
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x-%04x", vendor, product);
    file.name = rest[0] + " " + rest[1] + (wireless ? " (wireless)" : "");
    const std::string folder = userDeviceFileFolder();
    const std::string path = folder + "50-" + rest[0] + "-" + ids + std::string(kDeviceFileSuffix);
    if (!ensureFolder(folder))
        return failed("cannot make the folder " + folder);
    if (const int error = writeFileAtomically(path, formatDeviceFile(file)); error != 0)
        return failed("cannot write " + path + ": " + std::strerror(error));

    KnownDeviceTable written;
    for (const SupportedDeviceEntry& row : file.rows)
        written.push_back({row, file.name, path});
    Json::Value doc;
    doc["file"] = path;
    doc["interfaces"] = tableDocument(written);
    doc["udevRule"] = udevRuleInstallCommand();
    return succeeded(doc);
}

} // namespace

CommandResult devicesCommand(const Words& args) {
    if (args.empty())
        return presentDevicesCommand();
    if (args.front() == "add")
        return addDevice(Words(args.begin() + 1, args.end()));
    if (args.size() == 1 && args.front() == "--known") {
        Json::Value doc;
        doc["known"] = tableDocument(loadKnownDevices());
        return succeeded(doc);
    }
    return usageFailed("devices takes --known, add KIND VID:PID [--wireless], or nothing");
}

CommandResult udevRuleCommand(const Words& args) {
    // The packaged rule is made from the shipped files alone, whatever this machine adds.
    const bool shippedOnly = args.size() == 1 && args.front() == "--shipped";
    if (!args.empty() && !shippedOnly)
        return usageFailed("udev-rule takes only --shipped");
    const KnownDeviceTable table = shippedOnly ? loadDeviceFiles({shippedDeviceFileFolder()}) : loadKnownDevices();
    if (table.empty())
        return failed("the device files name no device");
    std::string rule = udevRule(table);
    rule.pop_back(); // the text output adds the last new line
    return succeeded(Json::Value(rule));
}

} // namespace pelan::cli
