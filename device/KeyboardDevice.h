#pragma once

#include <array>
#include <vector>

#include "device/KeyboardCustomLight.h"
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
    // Writes the profile's settings block into the keyboard's active profile when the keyboard holds another.
    std::vector<std::string> reapplyProfile() override;

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
    // The name lists, and the light configuration the custom modes take their effects from.
    void loadLightAndMacroConfig() override;
    void loadProfileIntoPage() override;
    void setProfilePaths() override;
    std::string getProfilePath() const override;
    int saveProfile() override;

    // Custom light mode. Choosing a custom mode makes its position the edited group: the group's colours come from
    // the profile, the choice is stored, the mode's effect list is loaded from the light configuration, and the
    // colours are shown and sent. Painting lights
    // the given LEDs in `colour` (or makes them unlit), stores the group in the profile file and shows and sends
    // it. Both return the light-stream result (1 when nothing had to be sent, 0 while the lighting is owned
    // elsewhere); the profile is saved either way.
    int chooseCustomGroup(int group);
    int paintCustomLeds(std::span<const int> leds, bool lit, light::Rgb colour);
    keyboard::CustomLight customLight() const {
        std::lock_guard lock(lightLock);
        return custom_;
    }

    const keyboard::KeyPositions& keyPositions() const { return positions_; }
    const std::vector<uint8_t>& perKeyTable() const { return perKeyTable_; }
    uint8_t currentProfile() const { return currentProfile_; }
    CKeyboardProfiledata& profileData() { return profile_; }

protected:
    // The custom mode shows the custom colours; every other mode runs as on the other devices.
    void runLightMode(uint8_t mode) override;
    // In the custom mode the speed of the effect entry being played, if any.
    uint8_t lightSpeed() const override;

private:
    // The active profile index and its settings block as the keyboard holds them; 1 or the result of the read that
    // failed (0 when not connected).
    int readHeldSettings(uint8_t& profile, keyboard::SettingsBytes& block);
    // Shows the custom colours and, unless wireless or while another program owns the lighting, streams them.
    int sendCustomLight();
    // Bytes of the key table: three per key position of the device information.
    size_t keyTableBytes() const { return size_t{keyCount()} * 3; }

    CKeyboardProfiledata profile_;
    keyboard::KeyPositions positions_;
    keyboard::CustomLight custom_; // guarded by lightLock
    std::vector<uint8_t> perKeyTable_;
    uint8_t currentProfile_ = 0;
};

} // namespace pelan
