#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emulator/FakeHidrawTree.h"
#include "emulator/FirmwareDevice.h"

namespace pelan::emu {

// A set of emulated devices served under one root, driven by text commands, one a line:
//   plug KIND | unplug KIND | notify KIND USAGE | fault KIND refuse-ff|refuse-fe|drop|bad-echo|unplug [PACKET]
//   fault KIND late [PACKET [MS]] | dump KIND [OFFSET LENGTH] | keys KIND [TABLE] | keyreads KIND assigned|layout
//   list | quit
// Each command answers with one line: "ok", "ok <details>", the dump's hex bytes, or "error: <reason>".
class EmulatorSession {
public:
    explicit EmulatorSession(std::string root);

    // Creates a device of a kind (once per kind), with an optional version number. False for an unknown kind.
    bool addDevice(const std::string& kind, std::optional<uint16_t> version = {});
    // Plugs in every device that was added and is not plugged.
    bool plugAll();

    struct Answer {
        std::string text;
        bool quit = false;
    };
    Answer run(const std::string& line);

    FakeHidrawTree& tree() { return tree_; }
    std::shared_ptr<FirmwareDevice> device(const std::string& kind) const;

private:
    struct Entry {
        std::shared_ptr<FirmwareDevice> device;
        int id = -1; // -1 while unplugged
    };

    Answer plug(const std::vector<std::string>& words);
    Answer unplug(const std::vector<std::string>& words);
    Answer notify(const std::vector<std::string>& words);
    Answer fault(const std::vector<std::string>& words);
    Answer dump(const std::vector<std::string>& words);
    Answer keys(const std::vector<std::string>& words);
    Answer keyReads(const std::vector<std::string>& words);
    Answer list() const;
    Entry* find(const std::string& kind, std::string& error);

    FakeHidrawTree tree_;
    std::map<std::string, Entry> devices_;
};

// Kind names and versions from the command line: "mouse,mousepad" and "mouse=0x0102".
std::vector<std::string> splitKinds(const std::string& list);
bool parseVersionOption(const std::string& text, std::string& kind, uint16_t& version);
// A number in decimal or with 0x in hexadecimal; false for anything else or a value above `max`.
bool parseNumber(const std::string& text, uint32_t max, uint32_t& value);

} // namespace pelan::emu
