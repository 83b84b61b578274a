#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/MouseSettingsBlock.h"
#include "device/UsbDeviceModel.h"
#include "profile/CMouseProfiledata.h"

namespace pelan {

// The gaming mouse (wired, or through its wireless receiver): reads its information, settings block and key
// table when it connects, keeps its profile in step with it and writes the profile into its settings block, key
// table and macro memory. Its light thread previews the mouse's light mode, wave and ripple included, and the
// custom effect steps of light modes from 9 on.
class MouseDevice : public UsbDeviceModel {
public:
    static constexpr int kButtonCount = 10;
    static constexpr uint16_t kOldestCurrentFirmware = 0x0103;
    // Device-info bytes the mouse model reads.
    static constexpr size_t kInfoKeyCount = 5;
    static constexpr size_t kInfoLedCount = 8;
    static constexpr size_t kInfoMinimumDpi = 14; // low byte; the high byte follows
    static constexpr size_t kDefaultLedCount = 8;
    // Ripple: a new ring every this many steps, nine LED groups, wheel entries between two groups.
    static constexpr uint8_t kRippleSpacing = 12;
    static constexpr size_t kRippleGroups = 9;
    static constexpr size_t kRippleColourStride = 12;

    // The factory code of each button, by which readDevice finds it in the key table; a button whose code is not
    // there (reassigned, on a mouse that reports its assigned table) keeps the position it had, else its index.
    static const std::array<KeyAssignment, kButtonCount>& buttonFactoryCodes();

    struct ReadDeviceResult {
        int result = 0;              // 1 when information and key table were read
        bool firmwareTooOld = false; // the page asks the user to upgrade
        uint16_t versionNumber = 0;  // of the command interface
    };

    MouseDevice();
    ~MouseDevice() override;

    // Once per connection: device information, firmware check, key table, button positions.
    ReadDeviceResult readDevice();
    // Reads the active profile index and its settings block into settingsMirror, lightInfo and the profile (which
    // is saved). 1 on success (currentProfile then holds the index); 0 or a protocol error otherwise, with the
    // mirror and the profile untouched.
    int readSettings();
    // Writes the profile's settings block when the block the mouse holds differs from it.
    std::vector<std::string> reapplyProfile() override;

    int writeSettings(int profileIndex, int firstByte, int a = 0, int b = 0, int c = 0) override;
    int writeKeyAssignments(int table, const std::vector<KeyRecord>& keys) override;
    int writeCurrentKeys(int table) override;
    // 0 when written (or nothing to write), -1 on failure, else the number of events that do not fit plus one.
    int writeMacros() override;
    void checkMacroAssignments() override;
    void afterProfileLoad() override;
    void onConnectTimer() override;
    void onSyncTimer() override;
    void onPeriodicTimer() override;
    void loadProfileIntoPage() override;
    void loadLightAndMacroConfig() override;
    void setProfilePaths() override;
    std::string getProfilePath() const override;
    // 0 when the profile file was written, 1 when it could not be.
    int saveProfile() override;
    void setDeviceIndex(int n) override;
    void setLightInfo(uint32_t first, uint32_t second, uint32_t third) override;
    void selectKey(int index) override;
    void clearKeySelection() override;

    // The smallest DPI the mouse takes (device-info bytes 14 and 15, low byte first).
    int minimumDpi() const;
    // The stage DPI code of a number typed into a DPI edit.
    int dpiCodeFromEdit(std::string_view text) const;

    MouseSettingsMirror settingsSnapshot() const;
    std::array<int, kButtonCount> buttonPositionsSnapshot() const { return buttonPositions; }
    // The custom light effect list (copy).
    std::vector<LedEffectStep> customEffectsSnapshot() const;

    CMouseProfiledata profileData;
    uint8_t currentProfile = 0;
    // Guarded by lightLock: the light thread follows its light fields.
    MouseSettingsMirror settingsMirror;
    std::array<int, kButtonCount> buttonPositions{};
    int selectedButton = -1;

    // Run one generator with the page's light setting (tests and the page's own preview calls).
    void lightFrameWave();
    void lightFrameRipple();
    void customEffectStep();

protected:
    void runLightMode(uint8_t mode) override;
    uint8_t lightMode() const override;
    uint8_t lightSpeed() const override;
    const char* lightThreadExitText() const override { return "MS灯光线程设定退出"; }
    const char* notifyThreadExitText() const override { return "MS设备同步线程设定退出"; }

private:
    void findButtons();
    // The active profile index and its settings block as read (54 bytes, 80 over the receiver); 1 or the result of
    // the step that failed.
    int readSettingsBlock(uint8_t& profile, std::vector<uint8_t>& block);
    MouseSettingsSource settingsFromProfile(int firstByte) const;
    std::vector<uint8_t> keyTableWith(const std::vector<KeyRecord>& keys) const;
    // Generators of the mouse's own modes, with lightLock held.
    void ripple(const LightInfo& light);
    void runGenerator(uint8_t mode, const LightInfo& light);
    void adoptLight(const LightInfo& light);

    std::vector<LedEffectStep> customEffects_;
    size_t customIndex_ = 0;
    bool customStarted_ = false;
    std::chrono::milliseconds customStepStart_{0};
};

} // namespace pelan
