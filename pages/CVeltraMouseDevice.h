#pragma once

#include "device/MouseDevice.h"
#include "pages/CVeltraUSBDevice.h"

#include <functional>

namespace pelan {

// The mouse page: the six DPI stages as sliders (stage DPI codes 0 to 73) with an edit each (DPI 0 to 10000), the
// report rate options, the key and light buttons, and the firmware upgrade offer when the mouse reports old
// firmware.
class CVeltraMouseDevice : public CVeltraUSBDevice {
public:
    static constexpr int kStageCount = 6;
    static constexpr int kReportRateCount = 5;
    static constexpr int kMaxEditDpi = 10000;
    static constexpr const char* kDpiSliderPrefix = "DPI_slider_";
    static constexpr const char* kDpiEditPrefix = "DPI_edit_";
    static constexpr const char* kDpiValuePrefix = "DPI_value_";
    static constexpr const char* kDpiEnablePrefix = "DPI_enable_check_";
    static constexpr const char* kReportRatePrefix = "polling_rate_option_";
    static constexpr const char* kHintControl = "device_tishi_info";

    static constexpr const char* kFirmwarePrompt = "message_text_25";
    static constexpr const char* kUpgradeParameter = "Upgrading";
    // The firmware upgrade program, in the program folder.
    static constexpr const char* kUpgradeProgram = "PelanFirmwareUpgrade";

    // Slider pictures of the active stage and of the others.
    static constexpr const char* kActiveSliderBar = "Control/SliderBar_BK3.png";
    static constexpr const char* kActiveSliderThumb = "Control/SliderBar2_Thumb.png";
    static constexpr const char* kSliderBar = "Control/SliderBar_BK1.png";
    static constexpr const char* kSliderThumb = "Control/SliderBar3_Thumb.png";

    CVeltraMouseDevice();
    void* GetInterface(const QString& name) override;

    MouseDevice& mouse() { return mouse_; }

    void bindPageControls() override;
    void onConnectTimer() override;
    void showFunctionTabs(int kind) override;
    bool onFirmwareTooOld(uint16_t versionNumber) override;

    // A stage's slider moved to `code`; `released` when the user let go (then the profile is saved and written).
    void onDpiSliderChanged(int stage, int code, bool released);
    // A stage's edit was left or confirmed: the typed DPI becomes the nearest stage code the mouse offers.
    void onDpiEditCommitted(int stage);
    void onReportRateSelected(int index);
    // A stage was switched on or off: kept in the profile (the mouse's settings block has no place for it).
    void onDpiStageEnabled(int stage, bool enabled);

    // How the user is asked (1 confirmed, 0 declined) and how the program ends; message boxes and the real end by
    // default, replaced by tests.
    using AskUser = std::function<int(const QString& messageKey)>;
    using EndProgram = std::function<void(int code)>;
    void setAskUser(AskUser ask) { askUser_ = std::move(ask); }
    void setEndProgram(EndProgram end) { endProgram_ = std::move(end); }

protected:
    void refreshControls() override;

private:
    // The stages of the profile, always six.
    std::vector<DpiStage> profileStages();
    void setStageCode(int stage, int code);
    void storeAndSend();
    void showStage(int stage, const DpiStage& shown, bool active);
    void setSliderRanges();
    void startFirmwareUpgrade();

    MouseDevice& mouse_;
    AskUser askUser_;
    EndProgram endProgram_;
};

} // namespace pelan
