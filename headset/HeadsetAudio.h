#pragma once

#include "headset/AudioEndpoint.h"
#include "headset/ConfLibrary.h"
#include "profile/CDi6533Profiledata.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pelan {

inline constexpr int kMaxCustomEqPresets = 20;
// The band values the sliders offer; they cover every built-in preset.
inline constexpr int kEqBandMin = -20;
inline constexpr int kEqBandMax = 20;

// Whether an effect works on the sound (always while it is off), and the library's word for why it does not, or
// would not if it were switched on ("" when it does or could).
struct EffectOutcome {
    bool applied = true;
    std::string reason;
};

// What the headset's sound and voice tabs show: the eight values stored as the profile's headset settings, the
// mute states, the band values applied now, the custom presets and which of them the list has selected.
struct HeadsetAudioState {
    int magicEnabled = 0;
    int magicType = 0;
    int eqType = 0;
    int customEqSlot = 0;
    int micInOn = 0;
    int micInLevel = 0;
    int monitorOn = 0;
    int monitorLevel = 0;
    bool micMuted = false;
    bool monitorMuted = false;
    std::vector<int> eqValues = std::vector<int>(kEqBandCount, 0);
    std::vector<std::string> customEqNames;
    // The custom list's selection, -1 when none.
    int customSelection = -1;
    // The equaliser switched on in the library (every preset and custom preset switches it on).
    bool eqOn = false;
    // False while the library only keeps the curve and the sound does not follow it (no PipeWire).
    bool eqApplied = true;
    // The library's word for why the curve is only kept (audio_property::kEqNot...), empty when it does not say.
    std::string eqNotAppliedReason;
    // Reverb and virtual surround on the output, as the library keeps them, and whether the sound follows them.
    bool reverbOn = false;
    int reverbEnvironment = 0;
    int reverbRoomSize = 0;
    bool surroundOn = false;
    EffectOutcome reverbOutcome;
    EffectOutcome surroundOutcome;
    // The microphone effects beside the voice changer, as the library holds them, and whether each works.
    bool micEchoOn = false;
    bool noiseCancellationOn = false;
    EffectOutcome voiceChangerApplied;
    EffectOutcome micEchoApplied;
    EffectOutcome noiseCancellationApplied;

    HeadsetSettings settings() const;
};

// What saveCustomEq did.
enum class CustomEqSaved {
    Saved = 1,
    NameInUse = 0,
    ListFull = -1,
    // No name was given and no preset is selected: there is nothing to overwrite.
    NothingSelected = -2,
};

// The headset's audio settings: the audio configuration library's endpoints and properties, and their store into
// the headset profile. Every change the user makes goes to the library and, where it is kept, into the profile
// file. Without a loaded library nothing of it is called, and without the headset's endpoints the operations that
// reach the library do nothing.
class HeadsetAudio {
public:
    // Shows one of the library's failure texts to the user.
    using MessageSink = std::function<void(const std::string& text)>;
    static constexpr const char* kInitFailedText = "ConfLibInit called failed!";
    static constexpr const char* kFeatureReportFailedText = "UpdateAPOAvailable failed!";

    HeadsetAudio(CDi6533Profiledata& profile, std::optional<ConfLibExports> library, MessageSink message = {});

    bool libraryLoaded() const { return library_.has_value(); }
    // The library is loaded and the headset's output endpoint was found.
    bool available() const { return output_.has_value(); }
    const HeadsetAudioState& state() const { return state_; }
    const std::optional<AudioEndpoint>& outputEndpoint() const { return output_; }
    const std::optional<AudioEndpoint>& micEndpoint() const { return mic_; }

    // Initialises the library, chooses the endpoints, reads their feature reports, gives every property without a
    // value 0, and reads the state.
    void initialise();
    // The profile's part: the eight settings, the band values of the stored preset and the custom preset names.
    void loadFromProfile();
    // The device's microphone, monitor and voice changer replace the profile's. Endpoints not found before (the
    // headset came after the library was initialised) are looked for again first.
    void readState();

    // When the headset plays bands other than the shown ones (a band was moved in an earlier session and not
    // saved), those bands become the shown ones, as an unsaved custom curve.
    void adoptLibraryBands();

    void selectEqPreset(int t);
    // Switches the equaliser on with the shown bands, or off (the sound then passes unchanged).
    void setEqualiser(bool on);
    void setEqBand(int band, int value);
    void applyCustomEq(int slot);
    CustomEqSaved saveCustomEq(const std::string& name);
    void deleteCustomEq(int slot);
    void setMicLevel(int level);
    void toggleMicMute();
    void setMonitorLevel(int level);
    void toggleMonitorMute();
    void setVoiceChanger(bool on);
    void selectVoicePreset(int n);
    // The reverb on or off; an environment or room size given is written first (the library keeps them).
    void setReverb(bool on, std::optional<int> environment = std::nullopt, std::optional<int> roomSize = std::nullopt);
    void setSurround(bool on);
    // The library offers them: it can make them work now (the feature report of the output).
    bool reverbOffered() const;
    bool surroundOffered() const;
    void setMicEcho(bool on);
    void setNoiseCancellation(bool on);
    // The library offers the voice changer: it can work now.
    bool voiceChangerOffered() const;

private:
    bool chooseEndpoints();
    void readFeatureReport(AudioEndpoint& endpoint);
    void probe();
    void writeBands(const std::vector<int>& values);
    void readEqApplied();
    void readOutputEffects();
    EffectOutcome readOutcome(const AudioEndpoint& endpoint, const char* appliedName, const char* reasonName);
    void showUnsavedCurve();
    void readMicEffectsApplied();
    // Writes an effect's switch; shown follows it where the library took it.
    void switchMicEffect(const char* name, bool& shown, bool on);
    void save();
    // The eight settings into the profile, and the profile into its file.
    void store();
    bool setLevel(const char* scalarName, const char* volumeName, int32_t channel, int level);
    bool setMute(const char* name, bool muted);

    CDi6533Profiledata& profile_;
    std::optional<ConfLibExports> library_;
    MessageSink message_;
    std::optional<AudioEndpoint> output_;
    std::optional<AudioEndpoint> mic_;
    std::optional<AudioProperties> properties_;
    HeadsetAudioState state_;
};

} // namespace pelan
