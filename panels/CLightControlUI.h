#pragma once

#include "profile/ProfileRecords.h"
#include "ui/DuiLib.h"

#include <string>
#include <vector>

namespace pelan {

class UsbDeviceModel;

// The lighting panel of every device page: mode, brightness, speed, direction, one colour or the colour wheel.
// It mirrors the page's light setting into controls found by name in its layout, decides per device kind and mode
// which groups can be used, and sends every change through the page: the setting, the profile file, the page's
// copy of it and the device, in that order.
class CLightControlUI : public CHorizontalLayoutUI {
public:
    static constexpr const char* kItemName = "LightControlItem";
    static constexpr const char* kModeCombo = "light_combo_modeSelect";
    static constexpr const char* kCustomModeCombo = "light_combo_custommodeSelect";
    static constexpr const char* kBrightnessSlider = "deng_light_slider";
    static constexpr const char* kSpeedSlider = "deng_speed_slider";
    static constexpr const char* kRedEdit = "deng_edit_R";
    static constexpr const char* kGreenEdit = "deng_edit_G";
    static constexpr const char* kBlueEdit = "deng_edit_B";
    static constexpr const char* kPalette = "deng_Color_Pallet";
    static constexpr const char* kColourButton = "deng_colordp_btn";
    static constexpr const char* kPresetPrefix = "color_option_";
    static constexpr const char* kMultiColourCheck = "deng_7color_check";
    static constexpr const char* kLeftOption = "deng_FXL_check";
    static constexpr const char* kRightOption = "deng_FXR_check";
    static constexpr const char* kSameModeCheck = "deng_same_mode";
    static constexpr const char* kCustomBrightButton = "custom_bright_color_btn";
    static constexpr const char* kCustomOffButton = "custom_off_color_btn";
    static constexpr const char* kEffectLayout = "lighteffect_layout";
    static constexpr const char* kColourLayout = "deng_color_layout";
    static constexpr const char* kPaletteLayout = "colorpallet_layout";
    static constexpr const char* kBrightnessLayout = "deng_light_layout";
    static constexpr const char* kSpeedLayout = "deng_speed_layout";
    static constexpr const char* kDirectionLayout = "deng_fx_layout";
    static constexpr const char* kCustomLayout = "lightcustom_layout";
    static constexpr int kModeItemHeight = 30;
    static constexpr int kLevelMaximum = 4;

    // The groups a mode can switch, in the order of light::LightGroup.
    enum Group {
        kMultiColour,
        kColour,
        kPaletteGroup,
        kDirection,
        kBrightness,
        kSpeed,
        kCustom,
        kSameMode,
        kGroupCount
    };

    QString GetClass() const override { return "LightControlUI"; }
    void* GetInterface(const QString& name) override;

    // The page whose light setting the panel edits; changes go nowhere without one.
    void setModel(UsbDeviceModel* model) { model_ = model; }
    void setDeviceKind(int kind);
    int deviceKind() const { return kind_; }
    // Fills the mode combo: one item per name at its mode number, hidden when its flag is 0; sets the maxima.
    void setModeList(const std::vector<std::string>& names, const std::vector<bool>& visible, int brightnessMaximum,
                     int speedMaximum);
    void setCustomModeList(const std::vector<std::string>& names);
    // Selects a custom mode without sending the choice on (nothing when the list has no such entry).
    void showCustomMode(int index);
    // Shows a light setting given as its first two words.
    void showSetting(uint32_t first, uint32_t second);
    void showLight(const LightInfo& light);
    // Whether the main window lets the "same mode" box be offered; the layout of the mode is applied again.
    void setSameModePermission(bool allowed);
    bool sameModePermission() const { return sameModeAllowed_; }
    void setSameModeChecked(bool checked);
    bool sameModeChecked();

    // Getters of what the controls show.
    int selectedMode();
    int selectedCustomMode();
    int brightness();
    int speed();
    QString channelText(int channel); // 0 red, 1 green, 2 blue
    DWORD paletteColour();
    bool multiColour();
    DWORD presetColour(int index);

    // What the user did; each stores and sends the changed setting.
    void onModeSelected(int mode);
    void onBrightnessChanged(int value);
    void onSpeedChanged(int value);
    // An edit of red, green or blue was left or confirmed.
    void onChannelCommitted(int channel);
    void onPaletteColour(DWORD argb);
    void onPresetColour(int index);
    void onMultiColourChanged(bool checked);
    void onDirectionChanged(bool left);

    // Enables, disables, shows and hides the groups for a mode of the panel's kind.
    void applyLayout(int mode);

private:
    template <typename T>
    T* find(const char* name) {
        return dynamic_cast<T*>(FindSubControl(QString::fromLatin1(name)));
    }
    CControlUI* groupControl(Group group);
    CEditUI* channelEdit(int channel);
    // The page's setting with `change` made to it, applied through the page and shown.
    template <typename Change>
    void applyChange(Change change);
    void showColour(uint8_t red, uint8_t green, uint8_t blue, bool rewriteEdits, bool selectInPalette);
    void clearMultiColour();

    UsbDeviceModel* model_ = nullptr;
    int kind_ = 0;
    bool sameModeAllowed_ = false;
};

} // namespace pelan
