#pragma once

#include "ui/DuiLib.h"

namespace pelan {

// The headset's voice tab: the voice changer switch and its four presets.
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

    QString GetClass() const override { return "MagicControlUI"; }
    void* GetInterface(const QString& name) override;

    int deviceKind() const { return deviceKind_; }
    void setDeviceKind(int kind) { deviceKind_ = kind; }
    int selectedVoiceOption() const { return selectedVoiceOption_; }

    void setVoiceChangerOn(bool on);
    void setVoicePresetsEnabled(bool on);
    bool isVoiceChangerOn();
    void selectVoiceOption(int n);
    // A switch (kEnableOption, kEchoOption, kNoiseOption) usable, or disabled with a tooltip (a language key) that
    // says why.
    void setSwitchAvailable(const char* name, bool available, const QString& whyKey);
    void setEchoOn(bool on);
    void setNoiseCancellationOn(bool on);
    // Shows the note while an effect that is on is only stored.
    void setEffectsApplied(bool applied);

private:
    COptionUI* enableOption();
    COptionUI* presetOption(int n);
    void selectOption(const char* name, bool on);

    int deviceKind_ = 0;
    int selectedVoiceOption_ = 0;
    COptionUI* enable_ = nullptr;
    CContainerUI* presetLayout_ = nullptr;
    COptionUI* presets_[kPresets] = {};
};

} // namespace pelan
