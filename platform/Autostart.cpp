#include "platform/Autostart.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace pelan {
namespace {

constexpr const char* kMinimizedOption = "--minimized";

// An Exec argument as desktop entries want it: in double quotes when it holds a reserved character, with '"', '`',
// '$' and '\' escaped inside the quotes; then '\' escaped once more because the value is itself a string value, and
// '%' doubled so it is not taken for a field code.
std::string execArgument(const std::string& argument) {
    const bool quote = argument.find_first_of(" \t\"'\\><~|&;$*?#()`") != std::string::npos;
    std::string quoted;
    for (char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            quoted += '\\';
        quoted += c;
    }
    std::string text = quote ? "\"" + quoted + "\"" : quoted;
    std::string escaped;
    for (char c : text) {
        if (c == '\\')
            escaped += '\\';
        else if (c == '%')
            escaped += '%';
        escaped += c;
    }
    return escaped;
}

} // namespace

std::string autostartEntryPath() {
    return configFolder() + "autostart/" + kDesktopAppId + ".desktop";
}

bool autostartEnabled() {
    std::error_code error;
    return std::filesystem::is_regular_file(autostartEntryPath(), error);
}

std::string autostartEntryText(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           std::string(kProductTitle) +
           "\n"
           "Exec=" +
           execArgument(program) + " " + kMinimizedOption +
           "\n"
           "Icon=" +
           kDesktopAppId +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::string setAutostart(bool enabled, const std::string& program) {
    const std::string path = autostartEntryPath();
    if (!enabled) {
        std::error_code error;
        std::filesystem::remove(path, error);
        return error ? "cannot remove " + path + ": " + error.message() : std::string();
    }
    // A line break would end the Exec line and start a key of the program's path's choosing.
    if (program.empty() || program.front() != '/' || program.find_first_of("\n\r") != std::string::npos)
        return "not a usable program path: " + program;
    if (!ensureFolder(configFolder() + "autostart/"))
        return "cannot create " + configFolder() + "autostart/";
    if (const int error = writeFileAtomically(path, autostartEntryText(program)); error != 0)
        return "cannot write " + path + ": " + std::strerror(error);
    return {};
}

} // namespace pelan
