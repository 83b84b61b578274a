#include "app/DemoDevices.h"

#include "emulator/FakeHidrawTree.h"
#include "emulator/FirmwareDevice.h"
#include "platform/Trace.h"

#include <cstdlib>
#include <filesystem>

namespace pelan {
namespace {

constexpr const char* kHidrawRootVariable = "PELAN_HIDRAW_ROOT";

} // namespace

std::unique_ptr<DemoDevices> DemoDevices::start(const std::vector<std::string>& kinds) {
    std::unique_ptr<DemoDevices> demo(new DemoDevices());
    demo->root_ = emu::FakeHidrawTree::makeTemporaryRoot();
    if (demo->root_.empty())
        return nullptr;
    if (const char* previous = std::getenv(kHidrawRootVariable)) {
        demo->rootWasSet_ = true;
        demo->previousRoot_ = previous;
    }
    demo->tree_ = std::make_unique<emu::FakeHidrawTree>(demo->root_);
    ::setenv(kHidrawRootVariable, demo->root_.c_str(), 1);
    for (const std::string& kind : kinds) {
        std::unique_ptr<emu::FirmwareDevice> device = emu::makeDevice(kind);
        if (device == nullptr) {
            trace("no emulated device of kind " + kind);
            continue;
        }
        const int id = demo->tree_->plug(std::move(device));
        if (id < 0)
            trace("emulated " + kind + " could not be plugged");
        else
            demo->ids_.push_back(id);
    }
    return demo;
}

DemoDevices::~DemoDevices() {
    tree_.reset();
    if (rootWasSet_)
        ::setenv(kHidrawRootVariable, previousRoot_.c_str(), 1);
    else
        ::unsetenv(kHidrawRootVariable);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

} // namespace pelan
