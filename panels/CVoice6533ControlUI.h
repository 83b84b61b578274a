#pragma once

#include "ui/DuiLib.h"

namespace pelan {

// The headset's sound tab: the equaliser presets, the ten band sliders, the custom presets, and the microphone and
// monitor switches and levels. A thin view over the headset's audio settings: each operation finds its control by
// name on first use and does nothing (or gives the empty value) when the layout lacks it.
class CVoice6533ControlUI : public CHorizontalLayoutUI {
public:
    static constexpr const char* kItemName = "Voice6533ControlItem";
    static constexpr const char* kEqOptionPrefix = "6533_eq_option_";
    static constexpr const char* kBandSliderPrefix = "6533_eq_hz_slider_";
    static constexpr const char* kCustomLayout = "custom_eq_option_layout";
    static constexpr const char* kCustomCombo = "custom_eq_name_combo";
    static constexpr const char* kCustomNameEdit = "custom_eq_name_edit";
    static constexpr const char* kSaveButton = "hs_EQ_btn_save";
    static constexpr const char* kDeleteButton = "hs_EQ_btn_delete";
    static constexpr const char* kMicOption = "6533_MicIn_option";
    static constexpr const char* kMonitorOption = "6533_MicMoniter_option";
    static constexpr const char* kMicSlider = "6533_MicIn_slider";
    static constexpr const char* kMonitorSlider = "6533_MicMoniter_slider";
    static constexpr const char* kBandLabelPrefix = "6533_eq_hz_label_";
    static constexpr const char* kNotAppliedLabel = "6533_eq_not_applied_text";
    static constexpr int kEqOptions = 13;
    static constexpr int kBands = 10;
    static constexpr int kCustomItemHeight = 30;

    QString GetClass() const override { return "Voice6533ControlUI"; }
    void* GetInterface(const QString& name) override;

    int deviceKind() const { return deviceKind_; }
    void setDeviceKind(int kind) { deviceKind_ = kind; }
    int selectedEqOption() const { return selectedEqOption_; }

    void selectEqOption(int n);
    void setCustomControlsEnabled(bool on);
    void setBandValue(int band, int value);
    // The band's centre frequency under its slider ("31", "1k", ...).
    void setBandFrequency(int band, int hertz);
    // The note that the equaliser is stored but not applied, shown while it is not.
    void setEqApplied(bool applied);
    int getBandValue(int band);
    void setMicInOn(bool on);
    void setMonitorOn(bool on);
    void setMicInLevel(int value);
    int getMicInLevel();
    void setMonitorLevel(int value);
    int getMonitorLevel();
    void setCustomNameText(const QString& text);
    QString getCustomNameText();
    void addCustomName(const QString& name);
    int getCustomSelection();
    int getCustomCount();
    void selectCustom(int index);
    void removeCustom(int index);
    void removeAllCustom();
    QString getCustomName(int index);

private:
    template <typename T>
    T* cached(T*& slot, const QString& name) {
        if (slot == nullptr)
            slot = dynamic_cast<T*>(FindSubControl(name));
        return slot;
    }
    COptionUI* eqOption(int n);
    CSliderUI* bandSlider(int band);

    int deviceKind_ = 0;
    int selectedEqOption_ = 0;
    COptionUI* eqOptions_[kEqOptions] = {};
    CSliderUI* bands_[kBands] = {};
    CContainerUI* customLayout_ = nullptr;
    CComboUI* customCombo_ = nullptr;
    CEditUI* nameEdit_ = nullptr;
    COptionUI* micOption_ = nullptr;
    COptionUI* monitorOption_ = nullptr;
    CSliderUI* micSlider_ = nullptr;
    CSliderUI* monitorSlider_ = nullptr;
};

} // namespace pelan
