#pragma once

#include "headset/osconflib/ConfBackend.h"
#include "headset/osconflib/MixerSeam.h"
#include "headset/osconflib/PipeWireEqualiser.h"
#include "headset/osconflib/PipeWireMicrophone.h"
#include "headset/osconflib/PropertyStore.h"

namespace pelan::osconf {

// The headset's USB IDs as its sound card's "usbid" file gives them.
inline constexpr const char* kHeadsetUsbId = "0d8c:01da";

// One sound card of /proc/asound: its number, its "usbid" ("" for a card that is not a USB device), and whether it
// plays and records.
struct SoundCard {
    int number = 0;
    std::string usbId;
    bool playback = false;
    bool capture = false;
};

// The cards under asoundRoot ("/proc/asound"), by number.
std::vector<SoundCard> listSoundCards(const std::string& asoundRoot);

// The real headset: list 0 holds an output endpoint per card that plays, list 1 an input endpoint per card that
// records, each named by its card number. The headset's card (found by its USB IDs) gets the kinds the program
// looks for. On that card the microphone level and mute are the capture volume and switch, the monitor level and
// mute the microphone's playback (sidetone) volume and switch; a control the card lacks makes its properties
// fail. The effect properties, which no mixer control carries, are kept in the state file's "headset" section;
// the equaliser's, the reverb's and the surround's are also handed to the sound filter, where there is one, which
// also decides their feature bits and their "_Applied" properties.
class AlsaBackend : public ConfBackend {
public:
    // Sound and microphone effects the state file holds all switched off are taken out of the sound at once: the
    // program may have ended before it could do so when the user switched them off.
    AlsaBackend(std::string asoundRoot, MixerOpener opener, PropertyStore& store,
                std::unique_ptr<EqualiserOutput> equaliser = nullptr,
                std::unique_ptr<PipeWireMicrophone> microphone = nullptr);

    std::vector<OsConfDevice> listDevices(int list) override;
    std::optional<std::string> read(const OsConfDevice& device, std::string_view property) override;
    bool write(const OsConfDevice& device, std::string_view property, double value) override;

private:
    // A level and mute pair of the headset card: which element and which direction carry it.
    struct LevelControl {
        std::string element;
        MixerDirection direction = MixerDirection::Capture;
    };
    bool isHeadsetEndpoint(const OsConfDevice& device) const;
    std::optional<LevelControl> levelControl(MixerSeam& mixer, bool monitor) const;
    std::optional<std::string> readLevel(MixerSeam& mixer, std::string_view property);
    bool writeLevel(MixerSeam& mixer, std::string_view property, double value);
    // The equaliser, reverb and surround as the state file holds them.
    SinkEffects storedEffects() const;
    void restoreLostEffects();
    OutputFeatures outputFeatures() const;
    std::optional<std::string> stageOutcome(std::string_view property) const;
    // The microphone effects as the state file holds them.
    MicrophoneEffects storedMicrophoneEffects() const;
    // PROPERTY_Applied and PROPERTY_NotAppliedReason of the microphone effects; nothing for other names.
    std::optional<std::string> readMicrophoneApplied(std::string_view name);

    std::string root_;
    MixerOpener opener_;
    PropertyStore& store_;
    std::unique_ptr<EqualiserOutput> equaliser_;
    std::unique_ptr<PipeWireMicrophone> microphone_;
    int headsetCard_ = -1;
};

} // namespace pelan::osconf
