#include "emulator/EmulatorSession.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace pelan::emu {
namespace {

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> result;
    for (std::string word; in >> word;)
        result.push_back(word);
    return result;
}

EmulatorSession::Answer failure(const std::string& reason) {
    return {"error: " + reason, false};
}
EmulatorSession::Answer success(const std::string& details = {}) {
    return {details.empty() ? "ok" : "ok " + details, false};
}

std::string hexBytes(const std::vector<uint8_t>& bytes) {
    std::string text;
    char byte[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(byte, sizeof(byte), i == 0 ? "%02x" : " %02x", bytes[i]);
        text += byte;
    }
    return text;
}

} // namespace

bool parseNumber(const std::string& text, uint32_t max, uint32_t& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0' || parsed > max)
        return false;
    value = uint32_t(parsed);
    return true;
}

std::vector<std::string> splitKinds(const std::string& list) {
    std::vector<std::string> kinds;
    std::istringstream in(list);
    for (std::string kind; std::getline(in, kind, ',');)
        if (!kind.empty())
            kinds.push_back(kind);
    return kinds;
}

bool parseVersionOption(const std::string& text, std::string& kind, uint16_t& version) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        return false;
    uint32_t value = 0;
    if (!parseNumber(text.substr(equals + 1), 0xFFFF, value))
        return false;
    kind = text.substr(0, equals);
    version = uint16_t(value);
    return true;
}

EmulatorSession::EmulatorSession(std::string root) : tree_(std::move(root)) {}

bool EmulatorSession::addDevice(const std::string& kind, std::optional<uint16_t> version) {
    if (devices_.count(kind) != 0) {
        if (version)
            devices_[kind].device->setVersionNumber(*version);
        return true;
    }
    std::shared_ptr<FirmwareDevice> device = makeDevice(kind, version);
    if (!device)
        return false;
    devices_[kind] = Entry{std::move(device), -1};
    return true;
}

bool EmulatorSession::plugAll() {
    bool ok = true;
    for (auto& [kind, entry] : devices_)
        if (entry.id < 0) {
            entry.id = tree_.plug(entry.device);
            ok = ok && entry.id >= 0;
        }
    return ok;
}

std::shared_ptr<FirmwareDevice> EmulatorSession::device(const std::string& kind) const {
    auto it = devices_.find(kind);
    return it == devices_.end() ? nullptr : it->second.device;
}

EmulatorSession::Entry* EmulatorSession::find(const std::string& kind, std::string& error) {
    auto it = devices_.find(kind);
    if (it == devices_.end()) {
        error = "no emulated device of kind " + kind;
        return nullptr;
    }
    // A device that unplugged itself (fault injection) is unplugged here too.
    if (it->second.id >= 0 && !tree_.isPlugged(it->second.id))
        it->second.id = -1;
    return &it->second;
}

EmulatorSession::Answer EmulatorSession::run(const std::string& line) {
    const std::vector<std::string> w = words(line);
    if (w.empty())
        return failure("empty command");
    const std::string& verb = w[0];
    if (verb == "quit")
        return {"ok", true};
    if (verb == "list")
        return list();
    if (w.size() < 2)
        return failure(verb + " needs a device kind");
    if (verb == "plug")
        return plug(w);
    if (verb == "unplug")
        return unplug(w);
    if (verb == "notify")
        return notify(w);
    if (verb == "fault")
        return fault(w);
    if (verb == "dump")
        return dump(w);
    if (verb == "keys")
        return keys(w);
    if (verb == "keyreads")
        return keyReads(w);
    return failure("unknown command " + verb);
}

EmulatorSession::Answer EmulatorSession::plug(const std::vector<std::string>& w) {
    std::string error;
    if (devices_.count(w[1]) == 0 && !addDevice(w[1]))
        return failure("unknown device kind " + w[1]);
    Entry* entry = find(w[1], error);
    if (entry->id >= 0)
        return failure(w[1] + " is plugged in already");
    entry->id = tree_.plug(entry->device);
    if (entry->id < 0)
        return failure("could not serve " + w[1] + " under " + tree_.root());
    return success();
}

EmulatorSession::Answer EmulatorSession::unplug(const std::vector<std::string>& w) {
    std::string error;
    Entry* entry = find(w[1], error);
    if (!entry)
        return failure(error);
    if (entry->id < 0)
        return failure(w[1] + " is not plugged in");
    tree_.unplug(entry->id);
    entry->id = -1;
    return success();
}

EmulatorSession::Answer EmulatorSession::notify(const std::vector<std::string>& w) {
    std::string error;
    Entry* entry = find(w[1], error);
    if (!entry)
        return failure(error);
    uint32_t usage = 0;
    if (w.size() != 3 || !parseNumber(w[2], 0xFFFF, usage))
        return failure("notify needs a usage number such as 0x401");
    if (entry->id < 0)
        return failure(w[1] + " is not plugged in");
    tree_.sendInput(entry->id, entry->device->notificationInterface(),
                    entry->device->notificationReport(uint16_t(usage)));
    return success();
}

EmulatorSession::Answer EmulatorSession::fault(const std::vector<std::string>& w) {
    std::string error;
    Entry* entry = find(w[1], error);
    if (!entry)
        return failure(error);
    const std::string& what = w.size() > 2 ? w[2] : std::string();
    if (w.size() < 3 || w.size() > (what == "late" ? 5u : 4u))
        return failure("fault needs a kind of fault and an optional packet number (late: and a delay in ms)");
    uint32_t packet = 1;
    if (w.size() >= 4 && (!parseNumber(w[3], 1000000, packet) || packet == 0))
        return failure("the packet number counts from 1");
    uint32_t delayMs = 1500;
    if (w.size() == 5 && !parseNumber(w[4], 600000, delayMs))
        return failure("the delay is a number of milliseconds up to 600000");
    FirmwareDevice& device = *entry->device;
    if (what == "refuse-ff")
        device.refusePacket(int(packet), 0xFF);
    else if (what == "refuse-fe")
        device.refusePacket(int(packet), 0xFE);
    else if (what == "drop")
        device.dropReply(int(packet));
    else if (what == "late")
        device.delayReply(int(packet), std::chrono::milliseconds(delayMs));
    else if (what == "bad-echo")
        device.answerWithWrongEcho(int(packet));
    else if (what == "unplug")
        device.unplugOnPacket(int(packet));
    else
        return failure("unknown fault " + what);
    return success();
}

EmulatorSession::Answer EmulatorSession::dump(const std::vector<std::string>& w) {
    std::string error;
    Entry* entry = find(w[1], error);
    if (!entry)
        return failure(error);
    const size_t size = entry->device->settingsSize();
    uint32_t offset = 0;
    uint32_t length = uint32_t(size);
    if (w.size() == 4) {
        if (!parseNumber(w[2], 0xFFFF, offset) || !parseNumber(w[3], 0xFFFF, length))
            return failure("dump needs an offset and a length");
    } else if (w.size() != 2) {
        return failure("dump takes a kind, or a kind, an offset and a length");
    }
    if (offset > size || length > size - offset)
        return failure("the memory of " + w[1] + " is " + std::to_string(size) + " bytes");
    return {hexBytes(entry->device->readMemory(offset, length)), false};
}

EmulatorSession::Answer EmulatorSession::keys(const std::vector<std::string>& w) {
    std::string error;
    Entry* entry = find(w[1], error);
    if (!entry)
        return failure(error);
    uint32_t table = 0;
    if (w.size() > 3 || (w.size() == 3 && !parseNumber(w[2], 1, table)))
        return failure("keys takes a kind and an optional table, 0 or 1");
    return {hexBytes(entry->device->keyTable(int(table))), false};
}

EmulatorSession::Answer EmulatorSession::keyReads(const std::vector<std::string>& w) {
    std::string error;
    Entry* entry = find(w[1], error);
    if (!entry)
        return failure(error);
    if (w.size() != 3 || (w[2] != "assigned" && w[2] != "layout"))
        return failure("keyreads takes a kind and assigned or layout");
    entry->device->setKeyReadsAssigned(w[2] == "assigned");
    return success();
}

EmulatorSession::Answer EmulatorSession::list() const {
    std::string text;
    for (const auto& [kind, entry] : devices_) {
        if (!text.empty())
            text += ' ';
        text += kind + (entry.id >= 0 && tree_.isPlugged(entry.id) ? "=plugged" : "=unplugged");
    }
    return success(text);
}

} // namespace pelan::emu
