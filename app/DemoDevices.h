#pragma once

#include <memory>
#include <string>
#include <vector>

namespace pelan {
namespace emu {
class FakeHidrawTree;
}

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
    const std::vector<int>& deviceIds() const { return ids_; }

private:
    DemoDevices() = default;

    std::string root_;
    std::unique_ptr<emu::FakeHidrawTree> tree_;
    std::vector<int> ids_;
    bool rootWasSet_ = false;
    std::string previousRoot_;
};

} // namespace pelan
