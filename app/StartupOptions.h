#pragma once

#include <string>
#include <vector>

namespace pelan {

// What the command line asks for: emulated devices (--emulate mouse,mousepad,headset), another data folder
// (--data-dir DIR), the RGB server (--rgb-server), a start without showing the window (--minimized, as the autostart
// entry asks) and the version alone (--version), or the options (--help). The emulated device tree itself is started
// by the main window.
struct StartupOptions {
    std::vector<std::string> emulateKinds;
    std::string dataDir;
    bool minimized = false;
    bool rgbServer = false; // --rgb-server: serve the lights to OpenRGB SDK clients, whatever the settings say
    bool version = false;
    bool help = false;
    std::string error; // not empty when the command line could not be used
};

// The device kinds --emulate accepts.
const std::vector<std::string>& emulatableKinds();
// Reads the arguments after the program name; both "--opt value" and "--opt=value" are accepted. Single-dash
// options (with their value where they take one) belong to Qt and are left to it; any other argument is an error.
StartupOptions parseStartupOptions(const std::vector<std::string>& arguments);
// What --help prints.
std::string startupUsage();

} // namespace pelan
