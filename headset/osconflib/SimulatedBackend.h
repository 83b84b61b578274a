#pragma once

#include "headset/osconflib/ConfBackend.h"
#include "headset/osconflib/PropertyStore.h"

namespace pelan::osconf {

// A headset without hardware, for tests and the demo: a speaker that is not the headset's, the headset's output and
// its microphone, with every property. Levels and mutes start at fixed values; the other properties have no value
// until one is written. Everything written is kept in the state file's "simulated" section.
class SimulatedBackend : public ConfBackend {
public:
    static constexpr int32_t kOtherSpeakerId = 10;
    static constexpr int32_t kOutputId = 0;
    static constexpr int32_t kMicrophoneId = 1;

    explicit SimulatedBackend(PropertyStore& store) : store_(store) {}

    std::vector<OsConfDevice> listDevices(int list) override;
    std::optional<std::string> read(const OsConfDevice& device, std::string_view property) override;
    bool write(const OsConfDevice& device, std::string_view property, double value) override;

private:
    bool isHeadset(const OsConfDevice& device) const;
    std::optional<double> number(std::string_view property, double fallback) const;
    std::optional<std::string> equaliserOutcome(std::string_view property) const;
    static bool reverbPluginFound();
    std::optional<std::string> reverbOutcome(std::string_view property) const;
    std::optional<std::string> voiceChangerOutcome(std::string_view property) const;
    PropertyStore& store_;
};

} // namespace pelan::osconf
