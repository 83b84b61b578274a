#pragma once

#include <array>
#include <vector>

#include "device/KeyboardLayout.h"
#include "device/UsbDeviceModel.h"
#include "profile/CKeyboardProfiledata.h"

namespace pelan {

// The gaming keyboard: settings block, key table with the per-key LED table, and macro memory. Its logical keys
// are found in the key table by their factory codes when it connects.
class KeyboardDevice : public UsbDeviceModel {
public:
    static constexpr const char* kDeviceFolderName = "keyboard";
    static constexpr int kDeviceIndex = 0;

    KeyboardDevice();
    ~KeyboardDevice() override;

    // readDevice, loadProfileIntoPage, readSettings, refreshPage, and the light thread.
    void onConnectTimer() override;
    // readSettings, refreshPage.
    void onSyncTimer() override;

    // Reads device information, key table and per-key table and finds the logical keys. 1 on success; 0 when not
    // connected; else the failing result. A failed read leaves the cached tables and positions as they were.
    int readDevice();

    // Reads the current profile's settings block into the light info and the profile's system flags, and saves
    // the profile. 1 on success (the current profile is reported to the observer); 0 when not connected, or the
    // failing result, with nothing changed.
    int readSettings();

    // Writes the block built from the profile's light info and system settings at profile x 25 between begin and
    // end of an update. 1 when all were accepted, else the failing result (0 when not connected: nothing sent).
    int writeSettings(int profileIndex, int firstByte = 0, int a = 0, int b = 0, int c = 0) override;

    // Puts the assignment of every logical key that has a key-table position into a copy of the key table read
    // at connection, and writes it as key table `table`. Keys without a position are left out. 1 when all steps
    // were accepted, else the failing result (-201 for a table other than 0 or 1, before anything is sent).
    int writeKeyAssignments(int table, const std::vector<KeyRecord>& keys) override;
    // writeKeyAssignments with the profile's key list.
    int writeCurrentKeys(int table) override;

    // Writes the macro memory image of the user device folder's macro list (writeMacroMemory of the base).
    int writeMacros() override;

    // The profile's light info becomes the page's; the key list is read for writeCurrentKeys.
    void afterProfileLoad() override;
    void setLightInfo(uint32_t first, uint32_t second, uint32_t third) override;
    void setDeviceIndex(int n) override;
    void loadProfileIntoPage() override;
    void setProfilePaths() override;
    std::string getProfilePath() const override;
    int saveProfile() override;

    const keyboard::KeyPositions& keyPositions() const { return positions_; }
    const std::vector<uint8_t>& perKeyTable() const { return perKeyTable_; }
    uint8_t currentProfile() const { return currentProfile_; }
    CKeyboardProfiledata& profileData() { return profile_; }

private:
    // Bytes of the key table: three per key position of the device information.
    size_t keyTableBytes() const { return size_t{keyCount()} * 3; }

    CKeyboardProfiledata profile_;
    keyboard::KeyPositions positions_;
    std::vector<uint8_t> perKeyTable_;
    uint8_t currentProfile_ = 0;
};

} // namespace pelan
