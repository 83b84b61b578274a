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

    QString GetClass() const override { return "MagicControlUI"; }
    void* GetInterface(const QString& name) override;

    int deviceKind() const { return deviceKind_; }
    void setDeviceKind(int kind) { deviceKind_ = kind; }
    int selectedVoiceOption() const { return selectedVoiceOption_; }

    void setVoiceChangerOn(bool on);
    void setVoicePresetsEnabled(bool on);
    bool isVoiceChangerOn();
    void selectVoiceOption(int n);

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
