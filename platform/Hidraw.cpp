#include "platform/Hidraw.h"

#include "platform/SeqpacketSocket.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace pelan::platform {
namespace {

fs::path underRoot(const std::string& absolute) {
    return fs::path(hidrawRoot()) / fs::path(absolute).relative_path();
}

bool readTextFile(const fs::path& path, std::string& text) {
    std::ifstream in(path);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

bool readBinaryFile(const fs::path& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool readHexFile(const fs::path& path, unsigned long& value) {
    std::string text;
    if (!readTextFile(path, text))
        return false;
    char* end = nullptr;
    value = std::strtoul(text.c_str(), &end, 16);
    return end != text.c_str();
}

bool readDecimalFile(const fs::path& path, unsigned long& value) {
    std::string text;
    if (!readTextFile(path, text))
        return false;
    char* end = nullptr;
    value = std::strtoul(text.c_str(), &end, 10);
    return end != text.c_str();
}

// HID_ID=0003:00000C45:00007643 in the HID device's uevent.
bool parseHidId(const std::string& uevent, HidrawNodeInfo& info) {
    std::istringstream lines(uevent);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("HID_ID=", 0) != 0)
            continue;
        unsigned bus = 0, vendor = 0, product = 0;
        if (std::sscanf(line.c_str() + 7, "%x:%x:%x", &bus, &vendor, &product) != 3)
            return false;
        info.busType = uint16_t(bus);
        info.vendorId = uint16_t(vendor);
        info.productId = uint16_t(product);
        return true;
    }
    return false;
}

// A USB HID device sits below its USB interface, which sits below the USB device.
void readUsbFacts(const fs::path& hidDevice, HidrawNodeInfo& info) {
    const fs::path usbInterface = hidDevice.parent_path();
    unsigned long value = 0;
    if (!readHexFile(usbInterface / "bInterfaceNumber", value))
        return;
    info.interfaceNumber = int(value);
    const fs::path usbDevice = usbInterface.parent_path();
    if (readHexFile(usbDevice / "bcdDevice", value))
        info.versionNumber = uint16_t(value);
    if (readDecimalFile(usbDevice / "bNumInterfaces", value))
        info.usbInterfaceCount = int(value);
}

int nodeNumber(const std::string& name) {
    if (name.rfind("hidraw", 0) != 0)
        return -1;
    return std::atoi(name.c_str() + 6);
}

} // namespace

std::string hidrawRoot() {
    const char* root = std::getenv("PELAN_HIDRAW_ROOT");
    return (root != nullptr && *root != '\0') ? std::string(root) : std::string("/");
}

bool readHidrawNode(const std::string& nodeName, HidrawNodeInfo& info) {
    info = HidrawNodeInfo{};
    if (nodeNumber(nodeName) < 0 || nodeName.find('/') != std::string::npos)
        return false;
    std::error_code ec;
    const fs::path hidDevice = fs::canonical(underRoot("/sys/class/hidraw") / nodeName / "device", ec);
    if (ec)
        return false;
    std::string uevent;
    if (!readTextFile(hidDevice / "uevent", uevent) || !parseHidId(uevent, info))
        return false;
    if (!readBinaryFile(hidDevice / "report_descriptor", info.reportDescriptor))
        return false;
    info.nodeName = nodeName;
    info.devicePath = underRoot("/dev/" + nodeName).string();
    if (info.busType == 0x0003)
        readUsbFacts(hidDevice, info);
    return true;
}

std::vector<std::string> listHidrawNodeNames() {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(underRoot("/sys/class/hidraw"), ec), end; !ec && it != end; it.increment(ec))
        if (nodeNumber(it->path().filename().string()) >= 0)
            names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return nodeNumber(a) < nodeNumber(b); });
    return names;
}

bool listHidrawNodes(std::vector<HidrawNodeInfo>& nodes) {
    nodes.clear();
    const fs::path classFolder = underRoot("/sys/class/hidraw");
    std::error_code ec;
    if (!fs::exists(classFolder, ec))
        return true;
    if (fs::directory_iterator(classFolder, ec); ec)
        return false;
    for (const std::string& name : listHidrawNodeNames()) {
        HidrawNodeInfo info;
        if (readHidrawNode(name, info)) // a node that vanished between listing and reading is skipped
            nodes.push_back(std::move(info));
    }
    return true;
}

HidrawHandle::HidrawHandle() {
    cancelFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

HidrawHandle::~HidrawHandle() {
    close();
    if (cancelFd_ >= 0)
        ::close(cancelFd_);
}

bool HidrawHandle::open(const std::string& devicePath, bool forRead, bool forWrite, bool exclusive) {
    close();
    struct stat status {};
    if (::stat(devicePath.c_str(), &status) != 0)
        return false;
    int fd = -1;
    const bool isSocket = S_ISSOCK(status.st_mode);
    if (isSocket) {
        fd = connectSeqpacket(devicePath);
    } else {
        int flags = O_CLOEXEC | O_NONBLOCK;
        flags |= (forRead && forWrite) ? O_RDWR : (forWrite ? O_WRONLY : O_RDONLY);
        fd = ::open(devicePath.c_str(), flags);
        if (fd >= 0 && exclusive && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0)
        return false;
    std::lock_guard lock(mutex_);
    fd_ = fd;
    isSocket_ = isSocket;
    return true;
}

bool HidrawHandle::isOpen() const {
    std::lock_guard lock(mutex_);
    return fd_ >= 0;
}

void HidrawHandle::cancel() {
    std::lock_guard lock(mutex_);
    if (activeOperations_ > 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(cancelFd_, &one, sizeof(one));
    }
}

void HidrawHandle::close() {
    std::unique_lock lock(mutex_);
    if (activeOperations_ > 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(cancelFd_, &one, sizeof(one));
        idle_.wait(lock, [this] { return activeOperations_ == 0; });
    }
    drainCancel();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    framing_ = InputFraming{};
}

void HidrawHandle::drainCancel() {
    uint64_t count = 0;
    while (::read(cancelFd_, &count, sizeof(count)) > 0) {
    }
}

void HidrawHandle::setInputFraming(InputFraming framing) {
    std::lock_guard lock(mutex_);
    framing_ = std::move(framing);
}

bool HidrawHandle::beginOperation(int& fd, InputFraming* framing) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return false;
    if (activeOperations_ == 0)
        drainCancel(); // a cancel meant for earlier waits must not end this one
    ++activeOperations_;
    fd = fd_;
    if (framing)
        *framing = framing_;
    return true;
}

void HidrawHandle::endOperation() {
    std::lock_guard lock(mutex_);
    if (--activeOperations_ == 0)
        idle_.notify_all();
}

IoResult HidrawHandle::waitFor(int fd, short events, uint32_t timeoutMs,
                               std::chrono::steady_clock::time_point deadline) {
    using Clock = std::chrono::steady_clock;
    for (;;) {
        int waitMs = -1;
        if (timeoutMs != kWaitForever) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            waitMs = int(std::max<long long>(0, left));
        }
        pollfd fds[2] = {{cancelFd_, POLLIN, 0}, {fd, events, 0}};
        const int ready = ::poll(fds, 2, waitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return IoResult::Failed;
        if (fds[0].revents & POLLIN)
            return IoResult::Cancelled;
        if (fds[1].revents & events)
            return IoResult::Ok;
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))
            return IoResult::Failed;
        if (ready == 0)
            return IoResult::Timeout;
    }
}

namespace {

bool passesFraming(const InputFraming& framing, const uint8_t* report, size_t length) {
    if (!framing.numbered || framing.reportIds.empty())
        return true;
    return length > 0 &&
           std::find(framing.reportIds.begin(), framing.reportIds.end(), report[0]) != framing.reportIds.end();
}

} // namespace

// One report from the node into `scratch` (with a 0 ID byte put in front of an unnumbered one): its length, 0 when
// nothing is queued or it belongs to another collection, -1 when the node failed or went away.
ssize_t HidrawHandle::receiveOne(int fd, const InputFraming& framing, std::vector<uint8_t>& scratch) const {
    uint8_t* const readInto = framing.numbered ? scratch.data() : scratch.data() + 1;
    const ssize_t n = isSocket_ ? ::recv(fd, readInto, kMaxReport, MSG_DONTWAIT) : ::read(fd, readInto, kMaxReport);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return 0; // another reader took the report first
    if (n <= 0)
        return -1; // end of file: the device went away
    size_t length = size_t(n);
    if (!framing.numbered) {
        scratch[0] = 0;
        ++length;
    }
    if (!passesFraming(framing, scratch.data(), length))
        return 0; // a report of another collection of the same node
    return ssize_t(length);
}

IoResult HidrawHandle::read(uint8_t* buffer, size_t capacity, size_t& got, uint32_t timeoutMs,
                            const ReportFilter& accept) {
    got = 0;
    int fd = -1;
    InputFraming framing;
    if (!beginOperation(fd, &framing))
        return IoResult::Failed;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<uint8_t> scratch(kMaxReport + 1);
    IoResult result = IoResult::Failed;
    for (;;) {
        result = waitFor(fd, POLLIN, timeoutMs, deadline);
        if (result != IoResult::Ok)
            break;
        const ssize_t length = receiveOne(fd, framing, scratch);
        if (length < 0) {
            result = IoResult::Failed;
            break;
        }
        if (length == 0 || (accept && !accept(scratch.data(), size_t(length))))
            continue;
        got = std::min(size_t(length), capacity);
        std::memcpy(buffer, scratch.data(), got);
        break;
    }
    endOperation();
    return result;
}

size_t HidrawHandle::discardQueued(size_t limit, const ReportFilter& seen) {
    int fd = -1;
    InputFraming framing;
    if (!beginOperation(fd, &framing))
        return 0;
    std::vector<uint8_t> scratch(kMaxReport + 1);
    size_t discarded = 0;
    for (size_t reads = 0; reads < limit; ++reads) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, 0) <= 0 || !(ready.revents & POLLIN))
            break;
        const ssize_t length = receiveOne(fd, framing, scratch);
        if (length < 0)
            break;
        if (length == 0)
            continue;
        ++discarded;
        if (seen)
            seen(scratch.data(), size_t(length));
    }
    endOperation();
    return discarded;
}

IoResult HidrawHandle::write(const uint8_t* data, size_t length, size_t& written, uint32_t timeoutMs) {
    written = 0;
    int fd = -1;
    if (!beginOperation(fd))
        return IoResult::Failed;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    IoResult result = IoResult::Failed;
    for (;;) {
        result = waitFor(fd, POLLOUT, timeoutMs, deadline);
        if (result != IoResult::Ok)
            break;
        const ssize_t n = isSocket_ ? ::send(fd, data, length, MSG_DONTWAIT | MSG_NOSIGNAL) : ::write(fd, data, length);
        if (n >= 0) {
            // Part of a report is no report: the device would act on a truncated request.
            if (size_t(n) == length)
                written = length;
            else
                result = IoResult::Failed;
            break;
        }
        if (errno == EAGAIN || errno == EINTR)
            continue;
        result = IoResult::Failed;
        break;
    }
    endOperation();
    return result;
}

} // namespace pelan::platform
