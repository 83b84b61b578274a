#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/HidDevice.h"
#include "device/SupportedDevices.h"
#include "device/WorkerThread.h"
#include "platform/HotplugWatch.h"

namespace pelan {

// Hot plug: a pass runs whenever a hidraw node comes or goes (inotify on the device folder), or every 100 ms where the
// folder cannot be watched. While an interface slot is free, the HID interfaces are enumerated and the supported
// ones claimed; claimed interfaces are checked for presence on every pass. Arrival and removal are
// reported with the slot index. The listener runs on the scan thread; the GUI's listener blocks until the UI thread
// has handled the report, so the UI thread always reads a consistent slot.
class DeviceScanner {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void onDeviceArrival(int slot) = 0;
        virtual void onDeviceRemoval(int slot) = 0;
        // Once per start, after the first complete enumeration.
        virtual void onFirstEnumeration() = 0;
    };

    static constexpr std::chrono::milliseconds kScanPeriod{100};
    // A node that could not be opened yet is tried again after 100 ms, then after twice as long each time, up to
    // this; a change of its permissions ends the wait sooner.
    static constexpr std::chrono::milliseconds kLongestRetry{5000};

    explicit DeviceScanner(Listener& listener);
    ~DeviceScanner();
    DeviceScanner(const DeviceScanner&) = delete;
    DeviceScanner& operator=(const DeviceScanner&) = delete;

    // The slots: a run-time copy of the supported-device table. A slot is free while its `connected` flag is 0 and
    // its path is empty. Only the scan thread writes them, before it reports. A slot keeps its index for as long as
    // the scanner lives: a row that the device files no longer hold is retired (it never matches again) and a new
    // row takes a retired slot or a new one at the end.
    const std::vector<SupportedDeviceEntry>& slots() const { return slots_; }

    // Asks for the device files to be read again before the next pass, whose removals and arrivals then follow the
    // new table. Any thread; a watched device file folder asks by itself.
    void reloadDeviceFiles();

    bool start();
    WorkerThread::StopOutcome stop();
    bool running() const { return worker_.running(); }

    // One pass; false when the enumeration failed (the thread then ends and hot plug stops).
    bool scanOnce();
    // Starts watching the device folder; before the scan thread starts, so a node that comes during the first pass
    // is not missed and wakeWait may be called from any thread.
    void watchDeviceFolder();
    // The scan thread's body, for a caller that runs it on a thread of its own (start runs it on the scanner's):
    // passes until the enumeration fails or `stop` is set. The stop's wake must call wakeWait.
    void run(StopEvent& stop);
    // Ends the wait between two passes at once. Any thread.
    void wakeWait();

private:
    bool anySlotFree() const;
    bool slotInUse(size_t slot) const { return !retired_[slot]; }
    // Takes the new table: slots of rows that went are released (a removal when claimed) and retired, new rows get
    // a slot.
    void applyTable(const std::vector<SupportedDeviceEntry>& rows);
    int freeSlotMatching(const std::string& path, bool checkUsage, const HidDevice* probe) const;
    void claimNewInterfaces();
    void releaseVanishedInterfaces();
    // Sleeps until the next pass is due; true when `stop` was set.
    bool waitForNextScan(const StopEvent& stop);

    Listener& listener_;
    std::vector<SupportedDeviceEntry> slots_;
    std::vector<bool> retired_;
    std::atomic<bool> reloadWanted_{false};
    bool tableChanged_ = false;
    HidDevice enumerator_;
    HidDevice probe_;
    bool firstEnumerationDone_ = false;
    // The nodes of the last enumeration, and whether one of its probes failed: while neither changes, a new
    // enumeration could find nothing new, so the scan only looks at the node names.
    std::vector<std::string> enumeratedNodes_;
    bool probeFailed_ = false;
    // Made before the scan thread starts and kept until the scanner goes, so wakeWait may use it from any thread.
    std::unique_ptr<HotplugWatch> watch_;
    bool watching_ = false;
    std::chrono::milliseconds retryDelay_ = kScanPeriod;
    WorkerThread worker_;
};

} // namespace pelan
