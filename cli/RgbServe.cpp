#include "cli/RgbServe.h"

#include <cstdio>

#include "cli/CommandLine.h"
#include "cli/CommandOutput.h"
#include "device/SupportedDevices.h"
#include "platform/TerminationSignal.h"
#include "platform/Trace.h"

namespace pelan::cli {
namespace {

constexpr CliKind kServedKinds[] = {CliKind::Mouse, CliKind::Mousepad, CliKind::Headset, CliKind::Keyboard};
// The scanner reports what is present within its first pass; a device that takes longer counts as arriving later.
constexpr std::chrono::seconds kFirstPassWait{10};

std::vector<std::unique_ptr<DeviceAccess>> makeAccesses() {
    std::vector<std::unique_ptr<DeviceAccess>> accesses;
    for (CliKind kind : kServedKinds)
        accesses.push_back(DeviceAccess::make(kind));
    return accesses;
}

std::vector<UsbDeviceModel*> modelsOf(const std::vector<std::unique_ptr<DeviceAccess>>& accesses) {
    std::vector<UsbDeviceModel*> models;
    for (const auto& access : accesses)
        models.push_back(&access->model());
    return models;
}

} // namespace

RgbServe::RgbServe(rgb::ServerSettings settings)
    : accesses_(makeAccesses()), controllers_(modelsOf(accesses_)), server_(controllers_, std::move(settings)),
      scanner_(*this) {}

RgbServe::~RgbServe() {
    stop();
}

UsbDeviceModel& RgbServe::model(CliKind kind) {
    for (const auto& access : accesses_)
        if (access->kind() == kind)
            return access->model();
    return accesses_.front()->model();
}

std::string RgbServe::start() {
    if (!scanner_.start())
        return "cannot look for devices";
    {
        std::unique_lock lock(firstLock_);
        firstDone_.wait_for(lock, kFirstPassWait, [this] { return firstEnumerated_; });
    }
    return server_.start();
}

void RgbServe::stop() {
    server_.stop();
    scanner_.stop();
    for (const auto& access : accesses_) {
        access->model().commandChannel.connected = 0;
        access->model().commandChannel.device.close();
    }
}

DeviceAccess* RgbServe::accessFor(int slot) {
    const SupportedDeviceEntry& entry = scanner_.slots()[size_t(slot)];
    if (entry.interfaceRole != kInterfaceRoleCommand)
        return nullptr;
    for (const auto& access : accesses_)
        if (deviceKindNumber(access->kind()) == entry.deviceKind)
            return access.get();
    return nullptr;
}

void RgbServe::onDeviceArrival(int slot) {
    DeviceAccess* access = accessFor(slot);
    if (access == nullptr)
        return;
    const SupportedDeviceEntry& entry = scanner_.slots()[size_t(slot)];
    UsbDeviceModel& device = access->model();
    if (!device.commandChannel.device.open(entry.devicePath, true, true, true, false)) {
        trace("RGB server: cannot open " + entry.devicePath);
        return;
    }
    device.commandChannel.connected = 1;
    device.onConnected(entry);
    if (const std::string error = access->bindProfiles(); !error.empty())
        trace("RGB server: " + error);
    if (access->prepareForWrite() != kResultAccepted)
        trace("RGB server: cannot read the " + std::string(kindName(access->kind())) + "'s tables");
    device.loadLightAndMacroConfig();
    controllers_.refresh();
    server_.devicesChanged();
}

void RgbServe::onDeviceRemoval(int slot) {
    DeviceAccess* access = accessFor(slot);
    if (access == nullptr)
        return;
    access->model().commandChannel.connected = 0;
    access->model().commandChannel.device.close();
    controllers_.refresh();
    server_.devicesChanged();
}

void RgbServe::onFirstEnumeration() {
    {
        std::lock_guard lock(firstLock_);
        firstEnumerated_ = true;
    }
    firstDone_.notify_all();
}

CommandResult serveCommand(const std::vector<std::string>& args) {
    rgb::ServerSettings settings;
    bool rgb = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--rgb") {
            rgb = true;
        } else if (word == "--port" && i + 1 < args.size()) {
            const std::optional<uint32_t> port = parseNumberArgument(args[++i], UINT16_MAX);
            if (!port)
                return usageFailed("--port takes a number from 0 to 65535");
            settings.port = uint16_t(*port);
        } else if (word == "--address" && i + 1 < args.size()) {
            settings.address = args[++i];
        } else if (word == "--allow-remote") {
            settings.allowRemote = true;
        } else {
            return usageFailed("serve: unknown argument " + word);
        }
    }
    if (!rgb)
        return usageFailed("serve: say what to serve (--rgb)");
    RgbServe serve(settings);
    if (const std::string error = serve.start(); !error.empty())
        return failed(error);
    // Told at once, so a script knows where to connect (with --port 0 the system chose the port).
    std::printf("serving the OpenRGB SDK on %s:%u\n", settings.address.c_str(), unsigned(serve.port()));
    std::fflush(stdout);
    if (!waitForTerminationSignal())
        return failed("cannot wait for the end signal");
    serve.stop();
    Json::Value document;
    document["stopped"] = true;
    return succeeded(document);
}

} // namespace pelan::cli
