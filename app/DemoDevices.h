#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace pelan {
namespace emu {
class DemoUpdateService;
class FakeHidrawTree;
} // namespace emu

// Emulated devices for trying the program without hardware: a fake hidraw tree in a fresh temporary folder, made the
// process's hidraw root, with one emulated device plugged per kind. The folder and the root setting go away with the
// object.
class DemoDevices {
public:
    // Starts the tree and plugs the kinds ("mouse", "mousepad", "headset", "keyboard"); kinds the emulator does not
    // know are skipped. Null when the tree cannot be made.
    static std::unique_ptr<DemoDevices> start(const std::vector<std::string>& kinds);
    ~DemoDevices();
    DemoDevices(const DemoDevices&) = delete;
    DemoDevices& operator=(const DemoDevices&) = delete;

    const std::string& root() const { return root_; }
    emu::FakeHidrawTree& tree() { return *tree_; }
    // Ids of the plugged devices, in the order of the kinds given.
    std::vector<int> deviceIds() const;
    // The demo update service, answering on loopback; the process's PELAN_UPDATE_URL and PELAN_UPDATE_TEST_KEY
    // point at it and its signing key while the object lives. Null when it could not be started.
    emu::DemoUpdateService* updateService() { return service_.get(); }
    // A firmware upgrade: the device of a kind gets the version and is plugged in again. False for an absent kind.
    bool upgradeFirmware(const std::string& kind, uint16_t version);

private:
    DemoDevices() = default;

    std::string root_;
    std::unique_ptr<emu::FakeHidrawTree> tree_;
    void startUpdateService();

    mutable std::mutex mutex_;
    std::vector<std::string> kinds_;
    std::vector<int> ids_;
    std::unique_ptr<emu::DemoUpdateService> service_;
    bool rootWasSet_ = false;
    std::string previousRoot_;
    std::string previousUpdateUrl_;
    std::string previousTestKey_;
};

} // namespace pelan
