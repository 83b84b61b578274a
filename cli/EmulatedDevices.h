#pragma once

#include <memory>
#include <string>

#include "emulator/FakeHidrawTree.h"

namespace pelan::cli {

// Emulated devices served in this process under a fresh temporary root, which becomes the hidraw root for as long
// as they live (PELAN_HIDRAW_ROOT is set, and restored when they go).
class EmulatedDevices {
public:
    EmulatedDevices() = default;
    ~EmulatedDevices();
    EmulatedDevices(const EmulatedDevices&) = delete;
    EmulatedDevices& operator=(const EmulatedDevices&) = delete;

    // Serves the kinds of a comma-separated list ("mouse,mousepad"). An error text, or "" on success.
    std::string serve(const std::string& kinds);

private:
    std::string root_;
    std::unique_ptr<emu::FakeHidrawTree> tree_;
    std::string previousRoot_;
    bool hadPreviousRoot_ = false;
};

} // namespace pelan::cli
