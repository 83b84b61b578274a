// pelanctl update: the update check and the installer download over the same core as the settings window.
#include "cli/Commands.h"
#include "cli/DeviceAccess.h"
#include "update/UpdateService.h"

namespace pelan::cli {
namespace {

// The model table with the present devices' versions: mouse, keyboard and mousepad rows from their command
// interfaces, the application's own.
std::vector<UpdateProduct> presentRows() {
    std::array<std::uint32_t, kUpdateRowCount - 1> versions{};
    for (const FoundInterface& found : findSupportedInterfaces()) {
        if (found.entry.interfaceRole != kInterfaceRoleCommand)
            continue;
        const int kind = found.entry.deviceKind;
        const int row = kind == kDeviceKindMouse      ? 0
                        : kind == kDeviceKindKeyboard ? 1
                        : kind == kDeviceKindMousepad ? 2
                                                      : -1;
        if (row >= 0)
            versions[size_t(row)] = found.attributes.VersionNumber;
    }
    return prepareUpdateRows(versions);
}

std::string answerState(const UpdateAnswer& answer) {
    if (answer.failure != UpdateFailure::None)
        return updateFailureText(answer.failure);
    if (answer.name.empty())
        return "no answer";
    return answer.status == kAnswerUpToDate ? "up to date" : "newer";
}

Json::Value rowDocument(int index, const UpdateProduct& product, const UpdateAnswer& answer) {
    Json::Value item;
    item["row"] = index;
    item["product"] = product.displayName;
    item["key"] = applicationKey(product);
    item["current"] = answer.currentVersionText;
    item["state"] = answerState(answer);
    item["name"] = answer.name;
    item["new"] = answer.status == kAnswerUpToDate ? std::string() : answer.newVersionText;
    item["path"] = answer.downloadPath;
    return item;
}

CommandResult checkCommand(const Words& args) {
    if (!args.empty())
        return usageFailed("update check takes no arguments");
    CurlHttpClient client;
    const std::string url = updateServiceUrl();
    const std::vector<UpdateProduct> rows = presentRows();
    Json::Value list(Json::arrayValue);
    bool reached = false;
    UpdateFailure failure = UpdateFailure::None;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].currentVersion == 0)
            continue;
        const UpdateAnswer answer = checkUpdate(client, url, rows[i]);
        reached = reached || answer.name != kNoLinkServer;
        failure = answer.name == kNoLinkServer ? answer.failure : failure;
        list.append(rowDocument(int(i), rows[i], answer));
    }
    if (!reached)
        return failed("the update service " + url + " cannot be reached: " + updateFailureText(failure));
    Json::Value doc;
    doc["service"] = url;
    doc["rows"] = list;
    return succeeded(doc);
}

CommandResult downloadCommand(const Words& args) {
    std::optional<uint32_t> row = args.empty() ? std::nullopt : parseNumberArgument(args[0], kUpdateRowCount - 1);
    std::string target;
    if (args.size() == 3 && args[1] == "--to")
        target = args[2];
    if (!row || (args.size() != 1 && target.empty()))
        return usageFailed("update download takes ROW (0 to 3) and optionally --to FILE");
    // A plain copy of the row: gcc at -O1 (the ThreadSanitizer build) warns that the optional may be unset here.
    const uint32_t rowIndex = *row;
    const UpdateProduct product = presentRows()[rowIndex];
    if (product.currentVersion == 0)
        return failed("row " + args[0] + " (" + product.displayName + ") is not present");
    CurlHttpClient client;
    const UpdateAnswer answer = checkUpdate(client, updateServiceUrl(), product);
    if (answer.failure != UpdateFailure::None)
        return failed("the update service gave no answer for " + product.displayName + ": " +
                      updateFailureText(answer.failure));
    if (answer.downloadPath.empty())
        return failed("the service offers no download for " + product.displayName);
    if (target.empty()) {
        const std::string folder = updateDownloadFolder();
        if (folder.empty())
            return failed("no private download folder can be made");
        target = installerPath(folder, int(rowIndex), answer.name);
    }
    const UpdateFailure failure = downloadInstaller(client, answer, target, {});
    if (failure != UpdateFailure::None)
        return failed("download of " + answer.downloadPath + " failed: " + updateFailureText(failure));
    Json::Value doc;
    doc["file"] = target;
    return succeeded(doc);
}

} // namespace

CommandResult updateCommand(const Words& args) {
    const std::string sub = args.empty() ? std::string() : args[0];
    const Words rest = args.empty() ? Words() : Words(args.begin() + 1, args.end());
    if (sub == "check")
        return checkCommand(rest);
    if (sub == "download")
        return downloadCommand(rest);
    return usageFailed("update wants check or download");
}

} // namespace pelan::cli
