#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace pelan::platform {

// What sysfs tells about one hidraw node.
struct HidrawNodeInfo {
    std::string nodeName;   // "hidraw3"
    std::string devicePath; // "<root>/dev/hidraw3"
    uint16_t busType = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0; // the USB device's bcdDevice; 0 off USB
    int interfaceNumber = -1;   // the USB interface's bInterfaceNumber; -1 off USB
    int usbInterfaceCount = 0;  // bNumInterfaces of the USB device; 0 off USB
    std::vector<uint8_t> reportDescriptor;
};

// The folder that stands for "/" when looking for hidraw nodes: PELAN_HIDRAW_ROOT, else "/".
std::string hidrawRoot();

// The sysfs folder, under a hidraw root, of the devices the emulator serves (in this process or in pelan-emu).
inline constexpr const char* kEmulatedDevicesFolder = "sys/devices/emulated";

// Lists the hidraw nodes under the root, ordered by node number. A machine without any gives true and an empty list;
// false only when the class folder exists but cannot be read.
bool listHidrawNodes(std::vector<HidrawNodeInfo>& nodes);

// The names of the hidraw nodes under the root, ordered by node number; a cheap look that reads no node's files.
std::vector<std::string> listHidrawNodeNames();

// Reads one node's facts by its name ("hidraw3"). False when the node or its descriptor is missing.
bool readHidrawNode(const std::string& nodeName, HidrawNodeInfo& info);

enum class IoResult { Ok, Timeout, Cancelled, Failed };

// How input reports of a node reach the reader: with numbered reports only the listed IDs are passed on (an empty
// list passes all); without, a 0 report ID byte is put in front so every report starts with its ID.
struct InputFraming {
    bool numbered = false;
    std::vector<uint8_t> reportIds;
};

constexpr uint32_t kWaitForever = 0xFFFFFFFF;

// Tells whether a report (ID byte first) is the one a reader waits for; a report it refuses is read away.
using ReportFilter = std::function<bool(const uint8_t* report, size_t length)>;

// One open hidraw node (a character device, or a SEQPACKET socket served by the emulator). Reads and writes wait
// with poll on the node and on a cancel eventfd, so cancel() and close() from another thread end a wait at once.
class HidrawHandle {
public:
    HidrawHandle();
    ~HidrawHandle();
    HidrawHandle(const HidrawHandle&) = delete;
    HidrawHandle& operator=(const HidrawHandle&) = delete;

    // Exclusive opens take an advisory lock on character devices, so two of our own exclusive users never share
    // a node; other programs are not kept out (hidraw has no share modes).
    bool open(const std::string& devicePath, bool forRead, bool forWrite, bool exclusive);
    // Wakes any waiting read or write, waits until it has returned, then closes the node.
    void close();
    bool isOpen() const;

    // Applies to the reads that start after the call.
    void setInputFraming(InputFraming framing);

    // One report. `timeoutMs` kWaitForever waits without limit. `got`/`written` are 0 unless the result is Ok.
    // With a filter, reports it refuses are read away and the wait goes on until one it accepts or the time-out.
    IoResult read(uint8_t* buffer, size_t capacity, size_t& got, uint32_t timeoutMs,
                  const ReportFilter& accept = nullptr);
    // A report goes whole or not at all: a short write is a failure.
    IoResult write(const uint8_t* data, size_t length, size_t& written, uint32_t timeoutMs);
    // Reads away, without waiting, the reports already queued for this handle (at most `limit` reads, so a device
    // that floods the node cannot hold the caller). Each one goes to `seen` when given. Returns how many were read.
    size_t discardQueued(size_t limit, const ReportFilter& seen = nullptr);
    // Ends the waits under way (not later ones).
    void cancel();

private:
    // The largest report hidraw hands out.
    static constexpr size_t kMaxReport = 4096;

    IoResult waitFor(int fd, short events, uint32_t timeoutMs, std::chrono::steady_clock::time_point deadline);
    ssize_t receiveOne(int fd, const InputFraming& framing, std::vector<uint8_t>& scratch) const;
    bool beginOperation(int& fd, InputFraming* framing = nullptr);
    void endOperation();
    void drainCancel();

    mutable std::mutex mutex_;
    std::condition_variable idle_;
    int fd_ = -1;
    int cancelFd_ = -1;
    int activeOperations_ = 0;
    bool isSocket_ = false;
    InputFraming framing_;
};

} // namespace pelan::platform
