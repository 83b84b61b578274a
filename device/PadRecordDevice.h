#pragma once

#include <chrono>
#include <vector>

#include "device/PadSettingsRecord.h"
#include "device/UsbDeviceModel.h"
#include "light/PadLightEffects.h"
#include "profile/CBasicProfiledata.h"

namespace pelan {

// What the mousepad and the headset's lights share: a 21-byte lighting record kept in step with the device,
// written when the profile changes, animated by the pad's light effects with the profile's per-region overlay,
// and the periodic status read for the power display. A subclass supplies its profile data object.
class PadRecordDevice : public UsbDeviceModel {
public:
    PadRecordDevice(std::string deviceFolderName, int deviceIndex, size_t ledCount);
    ~PadRecordDevice() override;

    // Reads the record (readPadSettings) and reports the current profile to the observer.
    void onSyncTimer() override;
    // The periodic status read, for the power display.
    void onPeriodicTimer() override;
    // The common light reads of the profile (light info, "LightList", light configuration, effect list), and the
    // profile's light info copied into the record.
    void afterProfileLoad() override;
    // Writes the record at profile x 64 (writePadSettings); the other values are not sent.
    int writeSettings(int profileIndex, int firstByte = 0, int a = 0, int b = 0, int c = 0) override;
    // Also stores the light info in the profile.
    void setLightInfo(uint32_t first, uint32_t second, uint32_t third) override;
    // Also points the profile data at its device node 0.
    void setDeviceIndex(int n) override;
    // Sets the profile paths from `profileName`, loads the profile and runs afterProfileLoad. Nothing without a
    // profile name.
    void loadProfileIntoPage() override;
    void setProfilePaths() override;
    std::string getProfilePath() const override;
    // 0 when the file was written, 1 when not (as the profile data reports it).
    int saveProfile() override;

    // Reads the current profile index and that profile's block into the record (the previous record is kept).
    // 1 on success; when not connected or a read fails the record stays as it was and 0 or the failing result
    // is returned.
    int readPadSettings();
    // Writes the record at profile x 64 between begin and end of an update. 1 when all were accepted, else the
    // failing result (0 when not connected: nothing is sent).
    int writePadSettings(int profileIndex);
    // Writes the profile's lighting into the device's active profile when the device holds other lighting.
    std::vector<std::string> reapplyProfile() override;

    PadSettingsRecord padRecord() const;
    PadSettingsRecord previousPadRecord() const;
    void setPadRecord(const PadSettingsRecord& record);
    std::vector<LightListEntry> regions() const;
    std::vector<LedEffectStep> customEffects() const;

    virtual CBasicProfiledata& profileData() = 0;
    const CBasicProfiledata& profileData() const { return const_cast<PadRecordDevice*>(this)->profileData(); }

protected:
    void lightStep() override;
    std::chrono::milliseconds lightStepInterval() const override;
    uint8_t lightMode() const override;
    uint8_t lightSpeed() const override;
    const char* lightThreadExitText() const override { return "MS灯光线程设定退出"; }
    // The device's name in traces.
    virtual const char* deviceName() const = 0;

private:
    // Runs the record's effect (or the custom effect list) when due and lays the regions over it.
    void animate(unsigned passes);

    PadSettingsRecord record_;
    PadSettingsRecord previousRecord_;
    padlight::EffectState padEffect_;
    padlight::CustomEffectPlayer customPlayer_;
    std::vector<LightListEntry> regions_;
    std::vector<LedEffectStep> customEffects_;
    std::chrono::milliseconds customElapsed_{0};
    // Light-thread passes until the next step of the pad or of a region.
    unsigned passesToNextStep_ = 1;
};

} // namespace pelan
