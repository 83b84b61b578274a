#pragma once

#include "headset/OsConfLibAbi.h"

#include <optional>
#include <string>

namespace pelan {

// The exports of the audio configuration library the program looks up. Only the first five are called.
struct ConfLibExports {
    OsConfLibInitFn confLibInit = nullptr;
    OsConfCreateDeviceListFn createDeviceList = nullptr;
    OsConfGetDeviceCountFn getDeviceCount = nullptr;
    OsConfGetDeviceByIdFn getDeviceById = nullptr;
    OsConfPropertyControlFn propertyControl = nullptr;
    OsConfRegisterCallbackFunctionFn registerCallbackFunction = nullptr;
    OsConfNoArgumentFn confLibUnInit = nullptr;
    OsConfNoArgumentFn showAsioPanel = nullptr;
    OsConfNoArgumentFn playTestSound = nullptr;
    OsConfNoArgumentFn stopTestSound = nullptr;
    OsConfNoArgumentFn closeTestSound = nullptr;
};

// The library file: "SDK/x64/linux/libosConfLib.so" in the program folder.
std::string confLibraryPath();

// Loads the library and looks its exports up; nothing when the file is missing, cannot be loaded or lacks one of
// the five exports the program calls.
std::optional<ConfLibExports> loadConfLibrary(const std::string& path);

// Makes the library serve its simulated headset (for runs with emulated devices) unless PELAN_AUDIO_BACKEND names
// another already; call before ConfLibInit.
void useSimulatedAudio();
// The same when the hidraw root is a tree of emulated devices, whether served in this process or by pelan-emu: its
// headset has no sound card of its own. True when the simulated headset was chosen.
bool useSimulatedAudioForEmulatedDevices();

} // namespace pelan
