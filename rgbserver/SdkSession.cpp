#include "rgbserver/SdkSession.h"

#include <algorithm>

namespace pelan::rgb {

bool SdkSession::receive(std::span<const uint8_t> bytes) {
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    size_t at = 0;
    bool keep = true;
    while (keep && input_.size() - at >= kHeaderSize) {
        const std::optional<PacketHeader> header = readHeader(std::span(input_).subspan(at));
        if (!header || header->size > kMaxPayload) {
            keep = false;
            break;
        }
        if (input_.size() - at - kHeaderSize < header->size)
            break; // the rest of the packet is still on its way
        keep = handle(*header, std::span(input_).subspan(at + kHeaderSize, header->size));
        at += kHeaderSize + header->size;
    }
    input_.erase(input_.begin(), input_.begin() + std::ptrdiff_t(at));
    return keep;
}

void SdkSession::send(uint32_t device, uint32_t id, std::span<const uint8_t> payload) {
    const std::vector<uint8_t> packet = makePacket(device, id, payload);
    output_.insert(output_.end(), packet.begin(), packet.end());
}

const Controller* SdkSession::controller(uint32_t device) const {
    const std::vector<Controller>& all = host_.controllers();
    return device < all.size() ? &all[device] : nullptr;
}

bool SdkSession::handle(const PacketHeader& header, std::span<const uint8_t> payload) {
    switch (header.id) {
    case packet::kProtocolVersion:
        return handleVersion(payload);
    case packet::kControllerCount: {
        Writer out;
        out.u32(uint32_t(host_.controllers().size()));
        send(0, packet::kControllerCount, out.bytes());
        return true;
    }
    case packet::kControllerData:
        return handleControllerData(header.device, payload);
    case packet::kSetClientName: {
        const std::string text(payload.begin(), payload.end());
        name_ = text.substr(0, std::min({text.find('\0'), text.size(), kMaxNameLength}));
        return true;
    }
    case packet::kProfileList:
    case packet::kPluginList:
        // No profiles and no plugins of the protocol's own: the empty lists.
        sendEmptyList(header.id);
        return true;
    case packet::kUpdateLeds:
    case packet::kUpdateZoneLeds:
    case packet::kUpdateSingleLed:
        return handleLeds(header, payload);
    case packet::kSetCustomMode:
        if (controller(header.device) != nullptr) {
            host_.setCustomMode(header.device);
            direct_ = true;
        }
        return true;
    case packet::kUpdateMode:
    case packet::kSaveMode:
        return handleMode(header, payload);
    default:
        // Profile changes, rescans, zone resizes and requests of later versions: nothing to do here.
        return true;
    }
}

bool SdkSession::handleVersion(std::span<const uint8_t> payload) {
    Reader in(payload);
    const std::optional<uint32_t> wanted = in.u32();
    if (!wanted)
        return false;
    // An older client gets its own version back, so both sides speak the older one.
    version_ = std::min(*wanted, kHighestVersion);
    Writer out;
    out.u32(version_);
    send(0, packet::kProtocolVersion, out.bytes());
    return true;
}

bool SdkSession::handleControllerData(uint32_t device, std::span<const uint8_t> payload) {
    // A version 0 client sends no version; later ones name the version the data block is to have.
    uint32_t version = 0;
    if (!payload.empty()) {
        Reader in(payload);
        const std::optional<uint32_t> asked = in.u32();
        if (!asked)
            return false;
        version = std::min(*asked, kHighestVersion);
    }
    version_ = version;
    // A controller that left since the client counted gets no answer, as the protocol's own server does; the
    // client hears of the new list by the device-list notice.
    if (const Controller* found = controller(device))
        send(device, packet::kControllerData, controllerData(*found, version));
    return true;
}

bool SdkSession::handleLeds(const PacketHeader& header, std::span<const uint8_t> payload) {
    const Controller* target = controller(header.device);
    size_t first = 0;
    size_t end = 0;
    std::vector<Colour> colours;
    if (header.id == packet::kUpdateLeds) {
        std::optional<std::vector<Colour>> update = readLedUpdate(payload);
        if (!update)
            return false;
        colours = std::move(*update);
        end = target ? target->colours.size() : 0;
    } else if (header.id == packet::kUpdateZoneLeds) {
        std::optional<ZoneUpdate> update = readZoneUpdate(payload);
        if (!update)
            return false;
        colours = std::move(update->colours);
        if (target && update->zone < target->zones.size()) {
            first = target->zones[update->zone].start;
            end = first + target->zones[update->zone].count;
        }
    } else {
        const std::optional<SingleLedUpdate> update = readSingleLedUpdate(payload);
        if (!update)
            return false;
        colours = {update->colour};
        if (target && update->led >= 0 && size_t(update->led) < target->colours.size()) {
            first = size_t(update->led);
            end = first + 1;
        }
    }
    // Colours past the end of the LEDs (or of a controller or zone that is gone) have nowhere to go.
    const size_t count = std::min(colours.size(), end - first);
    if (target == nullptr || count == 0)
        return true;
    host_.setColours(header.device, first, std::span(colours).first(count));
    direct_ = true;
    return true;
}

bool SdkSession::handleMode(const PacketHeader& header, std::span<const uint8_t> payload) {
    const std::optional<ModeUpdate> update = readModeUpdate(payload, version_);
    if (!update)
        return false;
    const Controller* target = controller(header.device);
    if (target == nullptr || update->index < 0 || size_t(update->index) >= target->modes.size())
        return true;
    if (host_.setMode(header.device, size_t(update->index), update->mode, header.id == packet::kSaveMode))
        direct_ = true;
    return true;
}

void SdkSession::sendEmptyList(uint32_t id) {
    Writer out;
    out.u32(4 + 2); // the block's size, itself included
    out.u16(0);
    send(0, id, out.bytes());
}

} // namespace pelan::rgb
