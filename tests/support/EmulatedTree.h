#pragma once

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

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
    const std::string& root() const { return root_; }

private:
    std::string root_;
    std::unique_ptr<emu::FakeHidrawTree> tree_;
};

} // namespace pelan::test
