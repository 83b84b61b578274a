#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/CommandOutput.h"
#include "cli/DeviceAccess.h"
#include "device/DeviceScanner.h"
#include "rgbserver/DeviceControllers.h"
#include "rgbserver/SdkServer.h"

namespace pelan::cli {

// The devices as controllers of an OpenRGB SDK server, without the window: every device present, and every one
// that arrives later, is connected as the window connects it (profile bound, device tables read) and served; the
// clients hear of each arrival and removal.
class RgbServe : private DeviceScanner::Listener {
public:
    explicit RgbServe(rgb::ServerSettings settings);
    ~RgbServe() override;
    RgbServe(const RgbServe&) = delete;
    RgbServe& operator=(const RgbServe&) = delete;

    // Finds the devices present, then listens. An error text, or "" when serving.
    std::string start();
    void stop();
    uint16_t port() const { return server_.port(); }
    rgb::SdkServer& server() { return server_; }
    UsbDeviceModel& model(CliKind kind);

private:
    void onDeviceArrival(int slot) override;
    void onDeviceRemoval(int slot) override;
    void onFirstEnumeration() override;
    DeviceAccess* accessFor(int slot);

    std::vector<std::unique_ptr<DeviceAccess>> accesses_;
    rgb::DeviceControllers controllers_;
    rgb::SdkServer server_;
    DeviceScanner scanner_;
    std::mutex firstLock_;
    std::condition_variable firstDone_;
    bool firstEnumerated_ = false;
};

// pelanctl serve --rgb [--port N] [--address A] [--allow-remote]: serves until SIGINT or SIGTERM.
CommandResult serveCommand(const std::vector<std::string>& args);

} // namespace pelan::cli
