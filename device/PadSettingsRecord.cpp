#include "device/PadSettingsRecord.h"

#include <cstring>

#include "device/LightWire.h"
#include "device/ReportProtocol.h"

namespace pelan {

PadRecordBytes encodePadRecord(const PadSettingsRecord& record) {
    PadRecordBytes bytes{};
    std::memcpy(bytes.data(), &record, bytes.size());
    bytes[3] = lightSpeedWireTurn(record.speed);
    return bytes;
}

PadSettingsRecord decodePadRecord(const PadRecordBytes& bytes) {
    PadSettingsRecord record;
    std::memcpy(&record, bytes.data(), bytes.size());
    record.speed = lightSpeedWireTurn(record.speed);
    return record;
}

LightInfo padRecordLight(const PadSettingsRecord& record, uint8_t effect) {
    LightInfo light;
    light.mode = record.mode;
    light.brightness = record.brightness;
    light.speed = record.speed;
    light.effect = effect;
    light.multiColour = record.multiColour;
    light.red = record.red;
    light.green = record.green;
    light.blue = record.blue;
    return light;
}

void applyLightToPadRecord(PadSettingsRecord& record, const LightInfo& light) {
    record.mode = light.mode;
    record.brightness = light.brightness;
    record.speed = light.speed;
    record.multiColour = light.multiColour;
    record.red = light.red;
    record.green = light.green;
    record.blue = light.blue;
}

int readPadRecord(ReportProtocol& channel, PadSettingsRecord& record) {
    if (!channel.connected)
        return kResultNoAnswer;
    uint8_t profile = 0;
    int result = channel.readMemory(&profile, 1, padmemory::kProfileIndexOffset);
    if (result != kResultAccepted)
        return result;
    std::array<uint8_t, padmemory::kReadLength> block{};
    result = channel.readMemory(block.data(), padmemory::kReadLength, uint16_t(profile * padmemory::kReadStride));
    if (result != kResultAccepted)
        return result;
    block[0] = profile;
    PadRecordBytes bytes{};
    std::memcpy(bytes.data(), block.data(), bytes.size());
    record = decodePadRecord(bytes);
    return kResultAccepted;
}

} // namespace pelan
