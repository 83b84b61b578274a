#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
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
    IoResult read(uint8_t* buffer, size_t capacity, size_t& got, uint32_t timeoutMs);
    IoResult write(const uint8_t* data, size_t length, size_t& written, uint32_t timeoutMs);
    // Ends the waits under way (not later ones).
    void cancel();

private:
    IoResult waitFor(int fd, short events, uint32_t timeoutMs, std::chrono::steady_clock::time_point deadline);
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
