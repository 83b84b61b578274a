// raw: single protocol commands on the kind's command interface, without a device model or profile.
#include <array>

#include "cli/Commands.h"
#include "cli/DeviceAccess.h"
#include "device/ReportProtocol.h"

namespace pelan::cli {
namespace {

constexpr uint32_t kAddressSpace = 0x10000; // offsets are 16-bit

struct RawRequest {
    std::string verb;
    uint32_t offset = 0;
    uint32_t length = 0;
    std::vector<uint8_t> bytes;
};

// Checks the words of a raw command; an error text for bad ones.
std::string parseRaw(const Words& args, RawRequest& request) {
    request.verb = args.empty() ? "" : args[0];
    const std::string& verb = request.verb;
    const size_t count = args.size();
    if ((verb == "begin" || verb == "end" || verb == "info" || verb == "keytable" || verb == "online") && count == 1)
        return {};
    if ((verb != "read" && verb != "write") || count != 3)
        return "usage: raw begin | end | info | read OFFSET LENGTH | write OFFSET HEXBYTES | keytable | online";
    const std::optional<uint32_t> offset = parseNumberArgument(args[1], kAddressSpace - 1);
    if (!offset)
        return "OFFSET is 0 to 0xffff, not " + args[1];
    request.offset = *offset;
    if (verb == "read") {
        const std::optional<uint32_t> length = parseNumberArgument(args[2], kAddressSpace - request.offset);
        if (!length || *length == 0)
            return "LENGTH is 1 to " + std::to_string(kAddressSpace - request.offset) + ", not " + args[2];
        request.length = *length;
        return {};
    }
    const std::optional<std::vector<uint8_t>> bytes = parseHexBytes(args[2]);
    if (!bytes)
        return "HEXBYTES are hexadecimal pairs such as 0a0b0c, not " + args[2];
    if (bytes->size() > kAddressSpace - request.offset)
        return "the bytes do not fit below offset 0x10000";
    request.bytes = *bytes;
    request.length = uint32_t(bytes->size());
    return {};
}

CommandResult protocolFailure(const std::string& what, int result) {
    return failed(what + ": " + protocolResultText(result));
}

} // namespace

CommandResult rawCommand(const Words& args, CliKind kind) {
    RawRequest request;
    if (std::string bad = parseRaw(args, request); !bad.empty())
        return usageFailed(bad);
    const std::optional<FoundInterface> found = findCommandInterface(kind);
    if (!found)
        return failed("no " + std::string(kindName(kind)) + " found");
    ReportProtocol channel;
    if (!channel.device.open(found->path, true, true, true, false))
        return failed("cannot open " + found->path);
    channel.connected = 1;

    Json::Value doc;
    const std::string& verb = request.verb;
    if (verb == "begin" || verb == "end") {
        const int result = verb == "begin" ? channel.beginUpdate() : channel.endUpdate();
        if (result != kResultAccepted)
            return protocolFailure(verb, result);
        doc["result"] = result;
    } else if (verb == "online") {
        doc["online"] = channel.isOnline();
    } else if (verb == "info" || verb == "keytable") {
        std::array<uint8_t, kDeviceInfoLength> info{};
        if (const int result = channel.readDeviceInfo(info.data()); result != kResultAccepted)
            return protocolFailure("device information", result);
        if (verb == "info") {
            doc["record"] = hexText(info.data(), info.size());
        } else {
            const uint32_t size = uint32_t(info[5]) * 3;
            if (channel.setBlockSize(uint16_t(size)) != kResultAccepted)
                return failed("the device reports a key table of " + std::to_string(size) + " bytes");
            std::array<uint8_t, 512> table{};
            if (const int result = channel.readKeyTable(table.data()); result != kResultAccepted)
                return protocolFailure("key table", result);
            doc["keys"] = info[5];
            doc["table"] = hexText(table.data(), size);
        }
    } else if (verb == "read") {
        std::vector<uint8_t> buffer(request.length);
        if (const int result = channel.readMemory(buffer.data(), request.length, uint16_t(request.offset));
            result != kResultAccepted)
            return protocolFailure("read", result);
        doc["offset"] = request.offset;
        doc["bytes"] = hexText(buffer.data(), buffer.size());
    } else {
        if (const int result = channel.writeMemory(request.bytes.data(), request.length, uint16_t(request.offset));
            result != kResultAccepted)
            return protocolFailure("write", result);
        doc["offset"] = request.offset;
        doc["written"] = request.length;
    }
    return succeeded(doc);
}

} // namespace pelan::cli
