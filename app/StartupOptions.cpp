#include "app/StartupOptions.h"

#include <algorithm>
#include <sstream>

namespace pelan {
namespace {

bool takeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& option, std::string& value,
               bool& matched) {
    const std::string& arg = args[i];
    matched = false;
    if (arg == option) {
        matched = true;
        if (i + 1 >= args.size())
            return false;
        value = args[++i];
        return true;
    }
    if (arg.rfind(option + "=", 0) == 0) {
        matched = true;
        value = arg.substr(option.size() + 1);
        return true;
    }
    return true;
}

std::string parseKinds(const std::string& list, std::vector<std::string>& kinds) {
    std::stringstream stream(list);
    std::string kind;
    while (std::getline(stream, kind, ',')) {
        if (kind.empty())
            continue;
        const auto& known = emulatableKinds();
        if (std::find(known.begin(), known.end(), kind) == known.end())
            return "unknown device kind for --emulate: " + kind;
        if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end())
            kinds.push_back(kind);
    }
    if (kinds.empty())
        return "--emulate needs at least one device kind";
    return {};
}

// Qt's own options that take a value ("-platform offscreen").
bool isQtOptionWithValue(const std::string& arg) {
    static const std::vector<std::string> options = {
        "-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-qwindowgeometry", "-qwindowtitle",
        "-qwindowicon", "-style", "-stylesheet", "-display", "-geometry", "-title", "-name", "-session"};
    return std::find(options.begin(), options.end(), arg) != options.end();
}

bool isQtOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-' && arg[1] != '-';
}

} // namespace

std::string startupUsage() {
    return "Usage: pelan [OPTION]...\n"
           "Configures ORVANE gaming peripherals.\n\n"
           "  --emulate KINDS   emulated devices instead of real ones (a comma list of mouse, mousepad, headset,\n"
           "                    keyboard)\n"
           "  --data-dir DIR    keep profiles and settings in DIR\n"
           "  --minimized       start hidden in the tray\n"
           "  --version         print the version and exit\n"
           "  --help            print this help and exit\n\n"
           "Qt's own options (-platform NAME, -display DISPLAY, ...) are passed on to Qt.\n";
}

const std::vector<std::string>& emulatableKinds() {
    static const std::vector<std::string> kinds = {"mouse", "mousepad", "headset", "keyboard", "receiver"};
    return kinds;
}

StartupOptions parseStartupOptions(const std::vector<std::string>& arguments) {
    StartupOptions options;
    for (std::size_t i = 0; i < arguments.size() && options.error.empty(); ++i) {
        std::string value;
        bool matched = false;
        if (arguments[i] == "--minimized") {
            options.minimized = true;
        } else if (arguments[i] == "--rgb-server") {
            options.rgbServer = true;
        } else if (arguments[i] == "--version") {
            options.version = true;
        } else if (arguments[i] == "--help" || arguments[i] == "-h") {
            options.help = true;
        } else if (isQtOption(arguments[i])) {
            if (isQtOptionWithValue(arguments[i]))
                ++i;
        } else if (!takeValue(arguments, i, "--emulate", value, matched)) {
            options.error = "--emulate needs a list of device kinds";
        } else if (matched) {
            options.error = parseKinds(value, options.emulateKinds);
        } else if (!takeValue(arguments, i, "--data-dir", value, matched)) {
            options.error = "--data-dir needs a folder";
        } else if (matched) {
            if (value.empty())
                options.error = "--data-dir needs a folder";
            options.dataDir = value;
        } else {
            options.error = "unknown option: " + arguments[i] + " (see --help)";
        }
    }
    return options;
}

} // namespace pelan
