#include "device/DeviceScanner.h"

#include <algorithm>

#include "platform/Hidraw.h"
#include "platform/Trace.h"

namespace pelan {

DeviceScanner::DeviceScanner(Listener& listener) : listener_(listener) {
    const SupportedDeviceTable& table = supportedDeviceTable();
    slots_.assign(table.begin(), table.end());
}

DeviceScanner::~DeviceScanner() {
    stop();
}

bool DeviceScanner::start() {
    if (worker_.running())
        return false;
    watchDeviceFolder();
    // The flag is the scan thread's: reset by the new thread, so a refused start does not touch a running scan.
    return worker_.start([this](StopEvent& stop) {
        firstEnumerationDone_ = false;
        run(stop);
    });
}

WorkerThread::StopOutcome DeviceScanner::stop() {
    // A probe open or an enumeration never blocks for long; the wait for the device folder is woken.
    return worker_.stop([this] { wakeWait(); });
}

void DeviceScanner::run(StopEvent& stop) {
    for (;;) {
        if (!scanOnce()) {
            trace("HID enumeration failed: hot plug stops");
            return;
        }
        if (waitForNextScan(stop)) {
            trace("抓取设备线程设定退出");
            return;
        }
    }
}

void DeviceScanner::watchDeviceFolder() {
    if (watch_ == nullptr)
        watch_ = HotplugWatch::open(platform::hidrawRoot());
    watching_ = watch_ != nullptr;
    if (!watching_)
        trace("the device folder cannot be watched: hot plug scans every 100 ms");
}

bool DeviceScanner::waitForNextScan(const StopEvent& stop) {
    if (!watching_)
        return stop.waitFor(kScanPeriod);
    std::chrono::milliseconds timeout(-1);
    if (probeFailed_) {
        timeout = retryDelay_;
        retryDelay_ = std::min(retryDelay_ * 2, kLongestRetry);
    } else {
        retryDelay_ = kScanPeriod;
    }
    if (watch_->wait(timeout) == HotplugWatch::Outcome::Failed) {
        trace("the device folder watch ended: hot plug scans every 100 ms");
        watching_ = false;
    }
    return stop.isSet();
}

void DeviceScanner::wakeWait() {
    if (watch_ != nullptr)
        watch_->wake();
}

bool DeviceScanner::anySlotFree() const {
    for (const SupportedDeviceEntry& slot : slots_)
        if (slot.connected == 0 && slot.devicePath.empty())
            return true;
    return false;
}

// The free slot whose numbers equal the path's (and, after a probe, the probe's identity and usage); -1 if none.
int DeviceScanner::freeSlotMatching(const std::string& path, bool checkUsage, const HidDevice* probe) const {
    const uint16_t vendor = HidDevice::parseVendorId(path);
    const uint16_t product = HidDevice::parseProductId(path);
    const uint16_t interface = HidDevice::parseInterfaceNumber(path);
    const uint16_t collection = HidDevice::parseCollectionNumber(path);
    for (size_t i = 0; i < slots_.size(); ++i) {
        const SupportedDeviceEntry& slot = slots_[i];
        if (slot.connected != 0 || !slot.devicePath.empty())
            continue;
        if (slot.vendorId != vendor || slot.productId != product || slot.interfaceNumber != interface ||
            slot.collectionNumber != collection)
            continue;
        if (checkUsage &&
            (probe->attributes.VendorID != slot.vendorId || probe->attributes.ProductID != slot.productId ||
             probe->caps.UsagePage != slot.usagePage || probe->caps.Usage != slot.usage))
            continue;
        return int(i);
    }
    return -1;
}

void DeviceScanner::claimNewInterfaces() {
    while (auto path = enumerator_.nextDevicePath()) {
        if (matchSupportedPath(*path) < 0 || freeSlotMatching(*path, false, nullptr) < 0)
            continue;
        // An interface that cannot be opened yet (its node's permissions may still be on their way) stays free
        // and is tried again on the next pass.
        if (!probe_.open(*path, true, false, true, false)) {
            probeFailed_ = true;
            continue;
        }
        const int slot = freeSlotMatching(*path, true, &probe_);
        probe_.close();
        if (slot < 0)
            continue;
        slots_[size_t(slot)].connected = 1;
        slots_[size_t(slot)].devicePath = *path;
        listener_.onDeviceArrival(slot);
    }
}

void DeviceScanner::releaseVanishedInterfaces() {
    for (size_t i = 0; i < slots_.size(); ++i) {
        SupportedDeviceEntry& slot = slots_[i];
        if (slot.connected == 0 || HidDevice::interfacePresent(slot.devicePath))
            continue;
        slot.connected = 0;
        slot.devicePath.clear();
        listener_.onDeviceRemoval(int(i));
    }
}

bool DeviceScanner::scanOnce() {
    if (anySlotFree()) {
        std::vector<std::string> nodes = platform::listHidrawNodeNames();
        if (!firstEnumerationDone_ || probeFailed_ || nodes != enumeratedNodes_) {
            if (!enumerator_.enumerate())
                return false;
            probeFailed_ = false;
            claimNewInterfaces();
            enumerator_.freePathList();
            enumeratedNodes_ = std::move(nodes);
        }
        if (!firstEnumerationDone_) {
            firstEnumerationDone_ = true;
            listener_.onFirstEnumeration();
        }
    }
    releaseVanishedInterfaces();
    return true;
}

} // namespace pelan
