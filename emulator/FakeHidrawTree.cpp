#include "emulator/FakeHidrawTree.h"

#include "platform/Hidraw.h"

#include "platform/SeqpacketSocket.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace pelan::emu {

struct FakeHidrawTree::Plugged {
    std::shared_ptr<EmulatedDevice> device;
    std::unique_ptr<Link> link;
    std::vector<Node> nodes;
    fs::path usbDeviceFolder;
};

// What a device served by this tree may do: its calls are queued and carried out on the serving thread.
class FakeHidrawTree::Link : public HostLink {
public:
    Link(FakeHidrawTree& tree, int id) : tree_(tree), id_(id) {}
    void sendInput(int interfaceNumber, std::vector<uint8_t> report, std::chrono::milliseconds delay) override {
        tree_.sendInput(id_, interfaceNumber, std::move(report), delay);
    }
    void unplugSelf() override {
        {
            std::lock_guard lock(tree_.mutex_);
            tree_.unplugRequests_.push_back(id_);
        }
        tree_.wake();
    }

private:
    FakeHidrawTree& tree_;
    int id_;
};

namespace {

bool writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out);
}

std::string hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof(text), "%0*x", digits, value);
    return text;
}

void hangUp(int fd) {
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

} // namespace

FakeHidrawTree::FakeHidrawTree(std::string root) : root_(std::move(root)) {
    std::error_code ec;
    fs::create_directories(fs::path(root_) / "sys/class/hidraw", ec);
    fs::create_directories(fs::path(root_) / platform::kEmulatedDevicesFolder, ec);
    fs::create_directories(fs::path(root_) / "dev", ec);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    server_ = std::thread([this] { serve(); });
}

FakeHidrawTree::~FakeHidrawTree() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake();
    server_.join();
    for (auto& [id, plugged] : devices_)
        removeNodes(*plugged);
    devices_.clear();
    ::close(wakeFd_);
}

std::string FakeHidrawTree::makeTemporaryRoot() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/pelan-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr)
        return {};
    return buffer.data();
}

void FakeHidrawTree::wake() {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof(one));
}

int FakeHidrawTree::plug(std::shared_ptr<EmulatedDevice> device) {
    if (!device)
        return -1;
    auto plugged = std::make_unique<Plugged>();
    plugged->device = std::move(device);
    std::lock_guard lock(mutex_);
    const int id = nextId_++;
    plugged->link = std::make_unique<Link>(*this, id);
    if (!makeNodes(id, *plugged)) {
        removeNodes(*plugged);
        return -1;
    }
    devices_[id] = std::move(plugged);
    wake();
    return id;
}

// Called with the lock held.
bool FakeHidrawTree::makeNodes(int id, Plugged& plugged) {
    const EmulatedDevice& device = *plugged.device;
    const std::vector<UsbInterfaceDescription> interfaces = device.interfaces();
    int interfaceCount = 0;
    for (const UsbInterfaceDescription& usbInterface : interfaces)
        interfaceCount = std::max(interfaceCount, usbInterface.number + 1);

    const std::string usbName = "1-" + std::to_string(id);
    plugged.usbDeviceFolder = fs::path(root_) / "sys/devices/emulated" / usbName;
    std::error_code ec;
    fs::create_directories(plugged.usbDeviceFolder, ec);
    char count[16];
    std::snprintf(count, sizeof(count), "%2d\n", interfaceCount);
    bool ok = writeFile(plugged.usbDeviceFolder / "idVendor", hex(device.vendorId(), 4) + "\n") &&
              writeFile(plugged.usbDeviceFolder / "idProduct", hex(device.productId(), 4) + "\n") &&
              writeFile(plugged.usbDeviceFolder / "bcdDevice", hex(device.versionNumber(), 4) + "\n") &&
              writeFile(plugged.usbDeviceFolder / "bNumInterfaces", count) &&
              writeFile(plugged.usbDeviceFolder / "product", device.productName() + "\n");

    for (const UsbInterfaceDescription& usbInterface : interfaces) {
        if (!ok)
            break;
        Node node;
        node.interfaceNumber = usbInterface.number;
        node.name = "hidraw" + std::to_string(nextNode_++);
        const fs::path interfaceFolder =
            plugged.usbDeviceFolder / (usbName + ":1." + std::to_string(usbInterface.number));
        const fs::path hidFolder = interfaceFolder / ("0003:" + hex(device.vendorId(), 4) + ":" +
                                                      hex(device.productId(), 4) + "." + node.name.substr(6));
        fs::create_directories(hidFolder, ec);
        const std::string descriptor(usbInterface.reportDescriptor.begin(), usbInterface.reportDescriptor.end());
        char hidId[64];
        std::snprintf(hidId, sizeof(hidId), "HID_ID=0003:%08X:%08X\n", device.vendorId(), device.productId());
        ok = writeFile(interfaceFolder / "bInterfaceNumber", hex(unsigned(usbInterface.number), 2) + "\n") &&
             writeFile(hidFolder / "uevent", std::string(hidId) + "HID_NAME=" + device.productName() + "\n") &&
             writeFile(hidFolder / "report_descriptor", descriptor);
        const fs::path classEntry = fs::path(root_) / "sys/class/hidraw" / node.name;
        fs::create_directories(classEntry, ec);
        fs::create_directory_symlink(hidFolder, classEntry / "device", ec);
        ok = ok && !ec;
        node.socketPath = (fs::path(root_) / "dev" / node.name).string();
        node.listenFd = ok ? platform::listenSeqpacket(node.socketPath) : -1;
        ok = ok && node.listenFd >= 0;
        plugged.nodes.push_back(std::move(node));
    }
    (void)id;
    return ok;
}

// Called with the lock held, or by the destructor after the serving thread ended.
void FakeHidrawTree::removeNodes(Plugged& plugged) {
    std::error_code ec;
    for (Node& node : plugged.nodes) {
        fs::remove_all(fs::path(root_) / "sys/class/hidraw" / node.name, ec);
        ::unlink(node.socketPath.c_str());
        if (node.listenFd >= 0)
            ::close(node.listenFd);
        node.listenFd = -1;
        for (int fd : node.connections)
            hangUp(fd);
        node.connections.clear();
    }
    if (!plugged.usbDeviceFolder.empty())
        fs::remove_all(plugged.usbDeviceFolder, ec);
}

bool FakeHidrawTree::unplug(int id) {
    std::unique_lock lock(mutex_);
    if (devices_.count(id) == 0)
        return false;
    unplugRequests_.push_back(id);
    wake();
    if (std::this_thread::get_id() != server_.get_id())
        unplugDone_.wait(lock, [&] { return devices_.count(id) == 0 || stopping_; });
    return true;
}

void FakeHidrawTree::processUnplugRequests() {
    std::lock_guard lock(mutex_);
    while (!unplugRequests_.empty()) {
        const int id = unplugRequests_.front();
        unplugRequests_.pop_front();
        auto it = devices_.find(id);
        if (it == devices_.end())
            continue;
        removeNodes(*it->second);
        devices_.erase(it);
        for (auto p = pending_.begin(); p != pending_.end();)
            p = p->second.id == id ? pending_.erase(p) : std::next(p);
    }
    unplugDone_.notify_all();
}

bool FakeHidrawTree::isPlugged(int id) const {
    std::lock_guard lock(mutex_);
    return devices_.count(id) != 0;
}

std::vector<int> FakeHidrawTree::pluggedIds() const {
    std::lock_guard lock(mutex_);
    std::vector<int> ids;
    for (const auto& [id, plugged] : devices_)
        ids.push_back(id);
    return ids;
}

std::shared_ptr<EmulatedDevice> FakeHidrawTree::device(int id) const {
    std::lock_guard lock(mutex_);
    auto it = devices_.find(id);
    return it == devices_.end() ? nullptr : it->second->device;
}

std::vector<std::string> FakeHidrawTree::nodeNames(int id) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    auto it = devices_.find(id);
    if (it != devices_.end())
        for (const Node& node : it->second->nodes)
            names.push_back(node.name);
    return names;
}

void FakeHidrawTree::sendInput(int id, int interfaceNumber, std::vector<uint8_t> report,
                               std::chrono::milliseconds delay) {
    {
        std::lock_guard lock(mutex_);
        pending_.emplace(Clock::now() + delay, PendingInput{id, interfaceNumber, std::move(report)});
    }
    wake();
}

bool FakeHidrawTree::waitUntilDelivered(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return delivered_.wait_for(lock, limit, [this] { return pending_.empty(); });
}

void FakeHidrawTree::deliverDueInputs(Clock::time_point now) {
    std::lock_guard lock(mutex_);
    while (!pending_.empty() && pending_.begin()->first <= now) {
        const PendingInput input = std::move(pending_.begin()->second);
        pending_.erase(pending_.begin());
        auto it = devices_.find(input.id);
        if (it == devices_.end())
            continue;
        for (Node& node : it->second->nodes) {
            if (node.interfaceNumber != input.interfaceNumber)
                continue;
            // A handle whose open returned is queued on the listening socket; it must see this report too.
            for (int fd; (fd = ::accept4(node.listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0;)
                node.connections.push_back(fd);
            // Like a hidraw ring buffer that overflows, a handle that does not read loses reports.
            for (int fd : node.connections)
                ::send(fd, input.report.data(), input.report.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        }
    }
    if (pending_.empty())
        delivered_.notify_all();
}

int FakeHidrawTree::pollTimeoutMs(Clock::time_point now) const {
    if (pending_.empty())
        return -1;
    const auto due = pending_.begin()->first;
    if (due <= now)
        return 0;
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count()) + 1;
}

void FakeHidrawTree::acceptConnection(int id, size_t nodeIndex) {
    std::lock_guard lock(mutex_);
    auto it = devices_.find(id);
    if (it == devices_.end() || nodeIndex >= it->second->nodes.size())
        return;
    Node& node = it->second->nodes[nodeIndex];
    const int fd = ::accept4(node.listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0)
        node.connections.push_back(fd);
}

void FakeHidrawTree::dropConnection(int fd) {
    std::lock_guard lock(mutex_);
    for (auto& [id, plugged] : devices_)
        for (Node& node : plugged->nodes) {
            auto found = std::find(node.connections.begin(), node.connections.end(), fd);
            if (found != node.connections.end()) {
                node.connections.erase(found);
                ::close(fd);
                return;
            }
        }
}

void FakeHidrawTree::handleConnection(int id, int interfaceNumber, int fd) {
    uint8_t buffer[4096];
    const ssize_t n = ::recv(fd, buffer, sizeof(buffer), MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        dropConnection(fd); // the handle was closed
        return;
    }
    std::shared_ptr<EmulatedDevice> device;
    HostLink* link = nullptr;
    {
        std::lock_guard lock(mutex_);
        auto it = devices_.find(id);
        if (it == devices_.end())
            return;
        device = it->second->device;
        link = it->second->link.get();
    }
    // The firmware runs without the lock so that it can answer through the link. Links are only destroyed on this
    // thread, after the handler returned.
    device->handleOutput(interfaceNumber, std::span<const uint8_t>(buffer, size_t(n)), *link);
}

void FakeHidrawTree::serve() {
    struct Watched {
        int id;
        int interfaceNumber;
        size_t nodeIndex;
        bool listening;
    };
    for (;;) {
        std::vector<pollfd> fds{{wakeFd_, POLLIN, 0}};
        std::vector<Watched> watched{{0, 0, 0, false}};
        int timeoutMs = -1;
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            for (const auto& [id, plugged] : devices_)
                for (size_t i = 0; i < plugged->nodes.size(); ++i) {
                    const Node& node = plugged->nodes[i];
                    fds.push_back({node.listenFd, POLLIN, 0});
                    watched.push_back({id, node.interfaceNumber, i, true});
                    for (int fd : node.connections) {
                        fds.push_back({fd, POLLIN, 0});
                        watched.push_back({id, node.interfaceNumber, i, false});
                    }
                }
            timeoutMs = pollTimeoutMs(Clock::now());
        }
        const int ready = ::poll(fds.data(), fds.size(), timeoutMs);
        if (ready < 0 && errno != EINTR)
            return;
        uint64_t drained = 0;
        while (::read(wakeFd_, &drained, sizeof(drained)) > 0) {
        }
        for (size_t i = 1; i < fds.size() && ready > 0; ++i) {
            if (fds[i].revents == 0)
                continue;
            if (watched[i].listening)
                acceptConnection(watched[i].id, watched[i].nodeIndex);
            else if (fds[i].revents & POLLIN)
                handleConnection(watched[i].id, watched[i].interfaceNumber, fds[i].fd);
            else
                dropConnection(fds[i].fd);
        }
        processUnplugRequests();
        deliverDueInputs(Clock::now());
    }
}

} // namespace pelan::emu
