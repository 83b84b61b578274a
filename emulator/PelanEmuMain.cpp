// pelan-emu: serves emulated devices as a hidraw tree under a folder and takes commands on standard input.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "emulator/EmulatorSession.h"

namespace {

const char* const kUsage =
    "usage: pelan-emu --root DIR [--devices mouse,mousepad,headset,keyboard] [--version KIND=0xNNNN]...\n"
    "\n"
    "Serves emulated devices under DIR (point the program at it with PELAN_HIDRAW_ROOT=DIR or --root DIR),\n"
    "prints \"ready\", then reads one command a line on standard input:\n"
    "  plug KIND                 plug a device in (again)\n"
    "  unplug KIND               unplug a device\n"
    "  notify KIND USAGE         send a notification report (USAGE such as 0x401)\n"
    "  fault KIND FAULT [PACKET] misbehave on a command packet (1 = the next one):\n"
    "                            refuse-ff, refuse-fe, drop, late, bad-echo, unplug\n"
    "  fault KIND late PACKET MS the reply of a packet comes MS milliseconds late (1500 without MS)\n"
    "  dump KIND [OFFSET LENGTH] the device's settings memory as hex\n"
    "  keys KIND [TABLE]         key table 0 (or 1) as assigned, as hex\n"
    "  keyreads KIND assigned|layout  key-table reads answer with the assigned table or the factory layout\n"
    "  list                      the devices and whether they are plugged in\n"
    "  quit                      stop serving and end\n"
    "Each command answers one line: ok, the dump, or error: REASON.\n";

int usageError(const std::string& reason) {
    std::fprintf(stderr, "pelan-emu: %s\n%s", reason.c_str(), kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string root;
    std::string devices = "mouse,mousepad,headset";
    std::vector<std::pair<std::string, uint16_t>> versions;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--root" && hasValue) {
            root = argv[++i];
        } else if (arg == "--devices" && hasValue) {
            devices = argv[++i];
        } else if (arg == "--version" && hasValue) {
            std::string kind;
            uint16_t version = 0;
            if (!pelan::emu::parseVersionOption(argv[++i], kind, version))
                return usageError("--version wants KIND=0xNNNN");
            versions.emplace_back(kind, version);
        } else {
            return usageError("unknown or incomplete option " + arg);
        }
    }
    if (root.empty())
        return usageError("--root DIR is required");

    pelan::emu::EmulatorSession session(root);
    for (const std::string& kind : pelan::emu::splitKinds(devices))
        if (!session.addDevice(kind))
            return usageError("unknown device kind " + kind);
    for (const auto& [kind, version] : versions)
        if (!session.addDevice(kind, version))
            return usageError("unknown device kind " + kind);
    if (!session.plugAll()) {
        std::fprintf(stderr, "pelan-emu: could not serve the devices under %s\n", root.c_str());
        return 1;
    }
    std::cout << "ready" << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        const pelan::emu::EmulatorSession::Answer answer = session.run(line);
        std::cout << answer.text << std::endl;
        if (answer.quit)
            break;
    }
    return 0;
}
