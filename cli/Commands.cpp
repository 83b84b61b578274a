#include "cli/Commands.h"

#include <cstdlib>

#include "cli/DeviceAccess.h"
#include "cli/EmulatedDevices.h"
#include "cli/RgbServe.h"
#include "headset/ConfLibrary.h"
#include "platform/Paths.h"

namespace pelan::cli {

CommandResult runInvocation(const Invocation& call) {
    if (call.root)
        ::setenv("PELAN_HIDRAW_ROOT", call.root->c_str(), 1);
    EmulatedDevices emulated;
    if (call.emulate) {
        const std::string error = emulated.serve(*call.emulate);
        if (!error.empty())
            return failed(error);
        useSimulatedAudio();
    } else {
        useSimulatedAudioForEmulatedDevices();
    }
    if (call.dataDir) {
        if (!ensureFolder(withTrailingSlash(*call.dataDir)))
            return failed("cannot use the data folder " + *call.dataDir);
        setDataFolderOverride(*call.dataDir);
    }
    CommandResult result = runCommand(call.words, call.kind);
    // A command that loaded a profile the device cannot take as it is says so beside its own notice.
    if (std::string loaded = takeLoadNotices(); !loaded.empty())
        result.notice += (result.notice.empty() ? "" : "; ") + loaded;
    return result;
}

CommandResult runCommand(const std::vector<std::string>& words, CliKind kind) {
    if (words.empty())
        return usageFailed("no command given (pelanctl --help lists them)");
    const std::string& name = words.front();
    const Words args(words.begin() + 1, words.end());
    if (name == "devices")
        return devicesCommand(args);
    if (name == "udev-rule")
        return udevRuleCommand(args);
    if (name == "info")
        return infoCommand(args, kind);
    if (name == "settings")
        return settingsCommand(args, kind);
    if (name == "status")
        return statusCommand(args, kind);
    if (name == "dpi")
        return dpiCommand(args, kind);
    if (name == "polling")
        return pollingCommand(args, kind);
    if (name == "light")
        return lightCommand(args, kind);
    if (name == "key")
        return keyCommand(args, kind);
    if (name == "macro")
        return macroCommand(args, kind);
    if (name == "profile")
        return profileCommand(args, kind);
    if (name == "raw")
        return rawCommand(args, kind);
    if (name == "recoil")
        return recoilCommand(args, kind);
    if (name == "update")
        return updateCommand(args);
    if (name == "headset")
        return headsetCommand(args);
    if (name == "serve")
        return serveCommand(args);
    if (name == "active-app")
        return activeAppCommand(args);
    return usageFailed("unknown command " + name + " (pelanctl --help lists them)");
}

} // namespace pelan::cli
