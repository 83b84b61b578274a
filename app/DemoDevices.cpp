#include "app/DemoDevices.h"

#include "emulator/DemoUpdateService.h"
#include "emulator/FakeHidrawTree.h"
#include "emulator/FirmwareDevice.h"
#include "platform/Trace.h"
#include "update/UpdateService.h"
#include "update/UpdateSignature.h"

#include <cstdlib>
#include <filesystem>

namespace pelan {
namespace {

constexpr const char* kHidrawRootVariable = "PELAN_HIDRAW_ROOT";

// pelan-emu is built and installed beside the program.
std::string executableFolder() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path().string() + "/";
}

// Puts back a variable as it was before the demo set it ("" when it was not set).
void restoreVariable(const char* name, const std::string& previous) {
    if (previous.empty())
        ::unsetenv(name);
    else
        ::setenv(name, previous.c_str(), 1);
}

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
        if (id < 0) {
            trace("emulated " + kind + " could not be plugged");
        } else {
            demo->ids_.push_back(id);
            demo->kinds_.push_back(kind);
        }
    }
    demo->startUpdateService();
    return demo;
}

void DemoDevices::startUpdateService() {
    service_ = std::make_unique<emu::DemoUpdateService>(
        0, executableFolder() + "pelan-emu",
        [this](const std::string& kind, uint16_t version) { return upgradeFirmware(kind, version); });
    if (!service_->ok()) {
        trace("the demo update service could not be started");
        service_.reset();
        return;
    }
    if (const char* previous = std::getenv(kUpdateUrlVariable))
        previousUpdateUrl_ = previous;
    if (const char* previous = std::getenv(kUpdateTestKeyVariable))
        previousTestKey_ = previous;
    ::setenv(kUpdateUrlVariable, service_->baseUrl().c_str(), 1);
    // The service signs with a key of this run; builds that refuse test keys refuse its files too.
    ::setenv(kUpdateTestKeyVariable, service_->publicKey().c_str(), 1);
    trace("demo update service at " + service_->baseUrl());
}

std::vector<int> DemoDevices::deviceIds() const {
    std::lock_guard lock(mutex_);
    return ids_;
}

bool DemoDevices::upgradeFirmware(const std::string& kind, uint16_t version) {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < kinds_.size(); ++i) {
        if (kinds_[i] != kind)
            continue;
        auto device = std::dynamic_pointer_cast<emu::FirmwareDevice>(tree_->device(ids_[i]));
        if (device == nullptr)
            return false;
        device->setVersionNumber(version);
        tree_->unplug(ids_[i]);
        ids_[i] = tree_->plug(device);
        return ids_[i] >= 0;
    }
    return false;
}

DemoDevices::~DemoDevices() {
    if (service_ != nullptr) {
        restoreVariable(kUpdateUrlVariable, previousUpdateUrl_);
        restoreVariable(kUpdateTestKeyVariable, previousTestKey_);
    }
    service_.reset();
    tree_.reset();
    if (rootWasSet_)
        ::setenv(kHidrawRootVariable, previousRoot_.c_str(), 1);
    else
        ::unsetenv(kHidrawRootVariable);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

} // namespace pelan
