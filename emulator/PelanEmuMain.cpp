// pelan-emu: serves emulated devices as a hidraw tree under a folder and takes commands on standard input.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "emulator/DemoUpdateService.h"
#include "emulator/EmulatorSession.h"

#include <filesystem>
#include <memory>
#include <mutex>

namespace {

const char* const kUsage =
    "usage: pelan-emu --root DIR [--devices mouse,mousepad,headset,keyboard] [--version KIND=0xNNNN]...\n"
    "                 [--update-service PORT]\n"
    "       pelan-emu --upgrade KIND --service URL\n"
    "\n"
    "--update-service PORT also answers the update service on http://127.0.0.1:PORT/ (0: any free port, told\n"
    "in the line \"update-service URL\" before \"ready\"): newer firmware for the emulated devices and a newer\n"
    "program version; its firmware download is an upgrade program that runs pelan-emu --upgrade, which reports\n"
    "progress and success to the program through $PELAN_RELAY_SOCKET and raises the emulated device's firmware.\n"
    "Every file is signed beside it (FILE.minisig) with a key made for this run, told in the line\n"
    "\"update-key KEY\": give it to the program as PELAN_UPDATE_TEST_KEY (honoured by test builds only).\n"
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
    std::string upgradeKind, serviceUrl;
    int servicePort = -1;
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
        } else if (arg == "--update-service" && hasValue) {
            uint32_t port = 0;
            if (!pelan::emu::parseNumber(argv[++i], 65535, port))
                return usageError("--update-service wants a port number");
            servicePort = int(port);
        } else if (arg == "--upgrade" && hasValue) {
            upgradeKind = argv[++i];
        } else if (arg == "--service" && hasValue) {
            serviceUrl = argv[++i];
        } else {
            return usageError("unknown or incomplete option " + arg);
        }
    }
    if (!upgradeKind.empty())
        return serviceUrl.empty() ? usageError("--upgrade wants --service URL")
                                  : pelan::emu::runDemoUpgrade(upgradeKind, serviceUrl);
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
    // The service's upgrades replug devices from its own thread.
    std::mutex sessionMutex;
    std::unique_ptr<pelan::emu::DemoUpdateService> service;
    if (servicePort >= 0) {
        std::error_code error;
        const std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
        service = std::make_unique<pelan::emu::DemoUpdateService>(uint16_t(servicePort), self,
                                                                  [&](const std::string& kind, uint16_t version) {
                                                                      std::lock_guard lock(sessionMutex);
                                                                      const auto device = session.device(kind);
                                                                      if (device == nullptr)
                                                                          return false;
                                                                      device->setVersionNumber(version);
                                                                      session.run("unplug " + kind);
                                                                      return session.run("plug " + kind).text == "ok";
                                                                  });
        if (!service->ok()) {
            std::fprintf(stderr, "pelan-emu: cannot serve the update service on port %d\n", servicePort);
            return 1;
        }
        std::cout << "update-service " << service->baseUrl() << std::endl;
        std::cout << "update-key " << service->publicKey() << std::endl;
    }
    std::cout << "ready" << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        std::unique_lock lock(sessionMutex);
        const pelan::emu::EmulatorSession::Answer answer = session.run(line);
        lock.unlock();
        std::cout << answer.text << std::endl;
        if (answer.quit)
            break;
    }
    return 0;
}
