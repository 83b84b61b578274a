#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "emulator/EmulatedDevice.h"

namespace pelan::emu {

// Serves emulated devices as a hidraw tree under a root folder, the way the kernel shows real ones:
//   <root>/sys/class/hidraw/hidrawN/device -> the HID device folder (uevent with HID_ID, report_descriptor),
//   whose parent is the USB interface folder (bInterfaceNumber) below the USB device folder (bcdDevice,
//   bNumInterfaces, idVendor, idProduct); and <root>/dev/hidrawN, a SEQPACKET socket where each message is one report.
// Every open handle of a node receives every input report of that node, as with hidraw. One thread serves all
// sockets; it sleeps in poll until a report, a connection or a timed delivery is due.
class FakeHidrawTree {
public:
    // Lays out the folders under `root` (created when missing) and starts serving.
    explicit FakeHidrawTree(std::string root);
    ~FakeHidrawTree();
    FakeHidrawTree(const FakeHidrawTree&) = delete;
    FakeHidrawTree& operator=(const FakeHidrawTree&) = delete;

    // A new short folder for a tree under $TMPDIR (else /tmp); socket paths must stay under 108 bytes.
    static std::string makeTemporaryRoot();

    const std::string& root() const { return root_; }

    // Plugs a device in: one hidraw node per HID interface. Returns its id, or -1 when the nodes could not be made.
    int plug(std::shared_ptr<EmulatedDevice> device);
    // Unplugs a device: nodes removed, open handles hung up. Waits until done. False for an unknown id.
    bool unplug(int id);
    bool isPlugged(int id) const;
    std::vector<int> pluggedIds() const;
    std::shared_ptr<EmulatedDevice> device(int id) const;
    // The hidraw node names of a plugged device, in interface order.
    std::vector<std::string> nodeNames(int id) const;

    // Delivers an input report on one of a device's interfaces, from any thread.
    void sendInput(int id, int interfaceNumber, std::vector<uint8_t> report,
                   std::chrono::milliseconds delay = std::chrono::milliseconds(0));
    // Waits until every input sent so far has reached the open handles, late replies included; false when some
    // is still pending after `limit`.
    bool waitUntilDelivered(std::chrono::milliseconds limit);

private:
    struct Node {
        int interfaceNumber = 0;
        std::string name;
        std::string socketPath;
        int listenFd = -1;
        std::vector<int> connections;
    };
    struct Plugged;
    struct PendingInput {
        int id = 0;
        int interfaceNumber = 0;
        std::vector<uint8_t> report;
    };
    class Link;
    using Clock = std::chrono::steady_clock;

    void serve();
    void wake();
    bool makeNodes(int id, Plugged& plugged);
    void removeNodes(Plugged& plugged);
    void processUnplugRequests();
    void deliverDueInputs(Clock::time_point now);
    void acceptConnection(int id, size_t nodeIndex);
    void handleConnection(int id, int interfaceNumber, int fd);
    void dropConnection(int fd);
    int pollTimeoutMs(Clock::time_point now) const;

    std::string root_;
    mutable std::mutex mutex_;
    std::condition_variable unplugDone_;
    std::condition_variable delivered_;
    std::map<int, std::unique_ptr<Plugged>> devices_;
    std::multimap<Clock::time_point, PendingInput> pending_;
    std::deque<int> unplugRequests_;
    int nextId_ = 1;
    int nextNode_ = 0;
    int wakeFd_ = -1;
    bool stopping_ = false;
    std::thread server_;
};

} // namespace pelan::emu
