#include "headset/ConfLibrary.h"

#include "platform/Hidraw.h"
#include "platform/Paths.h"
#include "platform/SharedLibrary.h"
#include "platform/Trace.h"

#include <cstdlib>
#include <filesystem>

namespace pelan {
namespace {

template <typename Function>
void lookUp(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(sharedLibrarySymbol(library, name));
}

} // namespace

std::string confLibraryPath() {
    return programFolder() + "SDK/x64/linux/libosConfLib.so";
}

std::optional<ConfLibExports> loadConfLibrary(const std::string& path) {
    std::string error;
    void* library = loadSharedLibrary(path, error);
    if (library == nullptr) {
        trace("audio library not loaded: " + error);
        return std::nullopt;
    }
    ConfLibExports exports;
    lookUp(library, "ConfLibInit", exports.confLibInit);
    lookUp(library, "GetDeviceById", exports.getDeviceById);
    lookUp(library, "PropertyControl", exports.propertyControl);
    lookUp(library, "RegisterCallbackFunction", exports.registerCallbackFunction);
    lookUp(library, "GetDeviceCount", exports.getDeviceCount);
    lookUp(library, "CreateDeviceList", exports.createDeviceList);
    lookUp(library, "ConfLibUnInit", exports.confLibUnInit);
    lookUp(library, "ShowAsioPanel", exports.showAsioPanel);
    lookUp(library, "PlayTestSound", exports.playTestSound);
    lookUp(library, "StopTestSound", exports.stopTestSound);
    lookUp(library, "CloseTestSound", exports.closeTestSound);
    if (exports.confLibInit == nullptr || exports.createDeviceList == nullptr || exports.getDeviceCount == nullptr ||
        exports.getDeviceById == nullptr || exports.propertyControl == nullptr) {
        trace("audio library " + path + " lacks an export the program calls");
        return std::nullopt;
    }
    return exports;
}

// A backend named already ("alsa") stays: the emulated headset's page can then be tried against the real audio
// library and a PipeWire daemon.
void useSimulatedAudio() {
    ::setenv("PELAN_AUDIO_BACKEND", "simulated", 0);
}

bool useSimulatedAudioForEmulatedDevices() {
    const std::string root = platform::hidrawRoot();
    std::error_code ignored;
    if (root == "/" ||
        !std::filesystem::is_directory(std::filesystem::path(root) / platform::kEmulatedDevicesFolder, ignored))
        return false;
    useSimulatedAudio();
    return true;
}

} // namespace pelan
