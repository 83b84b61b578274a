#pragma once

#include "ui/DuiLib.h"

namespace pelan {

// How the voice tab shows an output effect: switched on, whether it could work now (else its switch is disabled
// while off, with the reason as tooltip), and whether it works (else the note "stored, not applied" is shown,
// with the reason as its tooltip).
struct EffectView {
    bool on = false;
    bool offered = true;
    bool applied = true;
    QString reason;
};

// The headset's voice tab: the voice changer switch and its four presets; the reverb with its environments and
// room size, and virtual surround.
class CMagicControlUI : public CHorizontalLayoutUI {
public:
    static constexpr const char* kItemName = "MagicControlItem";
    static constexpr const char* kEnableOption = "magic_enable_option";
    static constexpr const char* kPresetLayout = "magic_option_layout";
    static constexpr const char* kPresetPrefix = "magic_option_";
    static constexpr int kPresets = 4;
    static constexpr const char* kEchoOption = "magic_echo_option";
    static constexpr const char* kNoiseOption = "magic_noise_option";
    static constexpr const char* kNotAppliedLabel = "magic_not_applied_text";
    static constexpr const char* kReverbOption = "reverb_enable_option";
    static constexpr const char* kReverbLayout = "reverb_option_layout";
    // Environment n (1 to kEnvironments) is the library's environment n - 1.
    static constexpr const char* kEnvironmentPrefix = "reverb_environment_";
    static constexpr int kEnvironments = 8;
    static constexpr const char* kRoomSlider = "reverb_room_slider";
    static constexpr const char* kReverbNote = "reverb_not_applied_text";
    static constexpr const char* kSurroundOption = "surround_enable_option";
    static constexpr const char* kSurroundNote = "surround_not_applied_text";

    QString GetClass() const override { return "MagicControlUI"; }
    void* GetInterface(const QString& name) override;

    int deviceKind() const { return deviceKind_; }
    void setDeviceKind(int kind) { deviceKind_ = kind; }
    int selectedVoiceOption() const { return selectedVoiceOption_; }

    void setVoiceChangerOn(bool on);
    void setVoicePresetsEnabled(bool on);
    bool isVoiceChangerOn();
    void selectVoiceOption(int n);
    // An effect's switch as the view says, with the reason as its tooltip where it cannot work now; a switch that is
    // on stays usable, so that an effect kept without taking effect can be switched off. The note (none when null)
    // shows while the effect is on but only stored.
    void showEffect(const char* option, const char* note, const EffectView& view);
    // Shows the microphone effects' note while one that is on is only stored.
    void setEffectsApplied(bool applied);

    // environment: 0-based; roomSize 0 to 100.
    void showReverb(const EffectView& view, int environment, int roomSize);
    void showSurround(const EffectView& view);
    // The room size slider's value, -1 when it is missing.
    int getRoomSize();

private:
    COptionUI* enableOption();
    COptionUI* presetOption(int n);

    int deviceKind_ = 0;
    int selectedVoiceOption_ = 0;
    COptionUI* enable_ = nullptr;
    CContainerUI* presetLayout_ = nullptr;
    COptionUI* presets_[kPresets] = {};
};

} // namespace pelan
