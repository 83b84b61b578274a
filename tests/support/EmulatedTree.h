#pragma once

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "device/HidDevice.h"
#include "device/ReportProtocol.h"
#include "emulator/FakeHidrawTree.h"

namespace pelan::test {

// A fake hidraw tree in a fresh temporary folder, made the hidraw root of this process for its lifetime.
class EmulatedTree {
public:
    EmulatedTree() : root_(emu::FakeHidrawTree::makeTemporaryRoot()) {
        tree_ = std::make_unique<emu::FakeHidrawTree>(root_);
        ::setenv("PELAN_HIDRAW_ROOT", root_.c_str(), 1);
    }
    ~EmulatedTree() {
        tree_.reset();
        ::unsetenv("PELAN_HIDRAW_ROOT");
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    EmulatedTree(const EmulatedTree&) = delete;
    EmulatedTree& operator=(const EmulatedTree&) = delete;

    emu::FakeHidrawTree& tree() { return *tree_; }

    // The interface path of one collection (0: the node has only one) of a plugged device's last HID interface,
    // as enumeration gives it; empty when there is none.
    std::string pathOf(int id, int collection) const {
        const std::vector<std::string> nodes = tree_->nodeNames(id);
        if (nodes.empty())
            return {};
        HidDevice enumerator;
        if (!enumerator.enumerate())
            return {};
        while (auto path = enumerator.nextDevicePath())
            if (path->substr(path->rfind('#') + 1) == nodes.back() &&
                HidDevice::parseCollectionNumber(*path) == collection)
                return *path;
        return {};
    }
    const std::string& root() const { return root_; }

    // Unplugs a device and plugs it in again as a user does: `channel` loses its interface and is connected to the
    // new node's collection. Returns the device's new id, or -1.
    int replug(int id, ReportProtocol& channel, int collection) {
        channel.connected = 0;
        channel.device.close();
        std::shared_ptr<emu::EmulatedDevice> device = tree_->device(id);
        if (!device || !tree_->unplug(id))
            return -1;
        const int newId = tree_->plug(device);
        if (newId < 0 || !channel.device.open(pathOf(newId, collection), true, true, true, false))
            return -1;
        channel.connected = 1;
        return newId;
    }

private:
    std::string root_;
    std::unique_ptr<emu::FakeHidrawTree> tree_;
};

} // namespace pelan::test
