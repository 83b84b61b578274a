#include "device/DeviceScanner.h"

#include <algorithm>

#include "device/DeviceFiles.h"
#include "platform/Hidraw.h"
#include "platform/Paths.h"
#include "platform/Trace.h"

namespace pelan {

DeviceScanner::DeviceScanner(Listener& listener) : listener_(listener) {
    slots_ = supportedDeviceTable();
    retired_.assign(slots_.size(), false);
}

void DeviceScanner::reloadDeviceFiles() {
    reloadWanted_ = true;
    wakeWait();
}

void DeviceScanner::applyTable(const std::vector<SupportedDeviceEntry>& rows) {
    for (size_t i = 0; i < slots_.size(); ++i) {
        if (retired_[i] ||
            std::any_of(rows.begin(), rows.end(), [&](const auto& row) { return sameTableRow(row, slots_[i]); }))
            continue;
        retired_[i] = true;
        if (slots_[i].connected == 0)
            continue;
        slots_[i].connected = 0;
        slots_[i].devicePath.clear();
        listener_.onDeviceRemoval(int(i));
    }
    for (const SupportedDeviceEntry& row : rows) {
        bool present = false;
        for (size_t i = 0; i < slots_.size() && !present; ++i)
            present = !retired_[i] && sameTableRow(row, slots_[i]);
        if (present)
            continue;
        const auto free = std::find(retired_.begin(), retired_.end(), true);
        if (free == retired_.end()) {
            slots_.push_back(row);
            retired_.push_back(false);
        } else {
            slots_[size_t(free - retired_.begin())] = row;
            *free = false;
        }
    }
    // Nodes already present may match the new rows.
    tableChanged_ = true;
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
    if (watch_ == nullptr) {
        // The user's folder is made so that a first file put there is seen.
        ensureFolder(userDeviceFileFolder());
        watch_ = HotplugWatch::open(platform::hidrawRoot(), deviceFileFolders());
    }
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
    if (watch_->takeFileChanges()) {
        trace("device files changed: the table is read again");
        reloadWanted_ = true;
    }
    return stop.isSet();
}

void DeviceScanner::wakeWait() {
    if (watch_ != nullptr)
        watch_->wake();
}

bool DeviceScanner::anySlotFree() const {
    for (size_t i = 0; i < slots_.size(); ++i)
        if (slotInUse(i) && slots_[i].connected == 0 && slots_[i].devicePath.empty())
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
        if (!slotInUse(i) || slot.connected != 0 || !slot.devicePath.empty())
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
        if (freeSlotMatching(*path, false, nullptr) < 0)
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
    if (reloadWanted_.exchange(false))
        applyTable(supportedDeviceTable());
    if (anySlotFree()) {
        std::vector<std::string> nodes = platform::listHidrawNodeNames();
        if (!firstEnumerationDone_ || probeFailed_ || tableChanged_ || nodes != enumeratedNodes_) {
            tableChanged_ = false;
            if (!enumerator_.enumerate())
                return false;
            probeFailed_ = false;
            claimNewInterfaces();
            enumerator_.freePathList();
            enumeratedNodes_ = std::move(nodes);
        }
    }
    // Also when no slot is free to begin with: device files that name no device still let the window show.
    if (!firstEnumerationDone_) {
        firstEnumerationDone_ = true;
        listener_.onFirstEnumeration();
    }
    releaseVanishedInterfaces();
    return true;
}

} // namespace pelan
