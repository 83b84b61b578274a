#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "cli/RgbServe.h"
#include "emulator/FirmwareDevice.h"
#include "platform/Paths.h"
#include "support/EmulatedTree.h"
#include "support/TempFolder.h"

namespace pelan::test {

// Emulated devices served by the same server `pelanctl serve --rgb` runs, on a free port, with profiles in a
// folder of their own.
class ServedDevices {
public:
    explicit ServedDevices(const std::vector<std::string>& kinds) {
        setDataFolderOverride(data_.path());
        // The factory files (light names among them) from the source tree, wherever the test was built.
        if (const char* source = std::getenv("PELAN_SOURCE_DIR"))
            setProgramFolderOverride(source);
        for (const std::string& kind : kinds) {
            std::shared_ptr<emu::FirmwareDevice> device = emu::makeDevice(kind);
            devices_[kind] = device;
            emulated_.tree().plug(device);
        }
        rgb::ServerSettings settings;
        settings.port = 0;
        serve_ = std::make_unique<cli::RgbServe>(settings);
    }
    ~ServedDevices() {
        serve_.reset();
        setDataFolderOverride({});
        setProgramFolderOverride({});
    }

    std::string start() { return serve_->start(); }
    cli::RgbServe& serve() { return *serve_; }
    emu::FirmwareDevice& firmware(const std::string& kind) { return *devices_.at(kind); }
    EmulatedTree& emulated() { return emulated_; }

private:
    testing::TempFolder data_;
    EmulatedTree emulated_;
    std::map<std::string, std::shared_ptr<emu::FirmwareDevice>> devices_;
    std::unique_ptr<cli::RgbServe> serve_;
};

} // namespace pelan::test
