#include "cli/EmulatedDevices.h"

#include <cstdlib>
#include <filesystem>

#include "emulator/EmulatorSession.h"
#include "emulator/FirmwareDevice.h"

namespace pelan::cli {

EmulatedDevices::~EmulatedDevices() {
    if (!tree_)
        return;
    tree_.reset();
    if (hadPreviousRoot_)
        ::setenv("PELAN_HIDRAW_ROOT", previousRoot_.c_str(), 1);
    else
        ::unsetenv("PELAN_HIDRAW_ROOT");
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

std::string EmulatedDevices::serve(const std::string& kinds) {
    const std::vector<std::string> names = emu::splitKinds(kinds);
    if (names.empty())
        return "--emulate needs a list of kinds such as mouse,mousepad";
    std::vector<std::shared_ptr<emu::FirmwareDevice>> devices;
    for (const std::string& name : names) {
        std::shared_ptr<emu::FirmwareDevice> device = emu::makeDevice(name);
        if (!device)
            return "cannot emulate " + name + " (mouse, mousepad, headset, keyboard or receiver)";
        devices.push_back(std::move(device));
    }
    if (const char* previous = std::getenv("PELAN_HIDRAW_ROOT")) {
        hadPreviousRoot_ = true;
        previousRoot_ = previous;
    }
    root_ = emu::FakeHidrawTree::makeTemporaryRoot();
    if (root_.empty())
        return "cannot make a folder for the emulated devices";
    tree_ = std::make_unique<emu::FakeHidrawTree>(root_);
    for (const auto& device : devices)
        if (tree_->plug(device) < 0)
            return "cannot serve the emulated " + device->kind() + " under " + root_;
    ::setenv("PELAN_HIDRAW_ROOT", root_.c_str(), 1);
    return {};
}

} // namespace pelan::cli
