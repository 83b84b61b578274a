#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

#include "device/UsbDeviceModel.h"
#include "device/WorkerThread.h"
#include "light/SyncLighting.h"

namespace pelan {

// The three 32-bit words a light setting travels in: mode, brightness, speed, effect; multicolour, red, green,
// blue; the three extra bytes (low byte first).
struct LightWords {
    uint32_t first = 0;
    uint32_t second = 0;
    uint32_t third = 0;
};
LightWords lightWordsOf(const LightInfo& light);

// Applies a changed light setting as every lighting change does: the setting, the profile file, the page's copy
// of the profile, then the settings write into the device's active profile slot. Returns the write's result.
int applyLightSetting(UsbDeviceModel& model, const LightInfo& light);

// "Same mode": the selected page's setting becomes the shared effect, and every page of `pages` (the connected
// ones, in the order keyboard, mouse, mousepad, headset) takes that effect's mode of its kind, applied as above.
// False, with nothing changed, when the selected page's mode has no shared effect.
bool adoptSameMode(light::SyncLighting& shared, UsbDeviceModel& selected, const std::vector<UsbDeviceModel*>& pages);

// A page's own light setting, kept while it shows the shared one.
struct OwnLighting {
    UsbDeviceModel* model = nullptr;
    LightInfo light;
};
// The setting of each page, before same mode changes it.
std::vector<OwnLighting> ownLightingOf(const std::vector<UsbDeviceModel*>& pages);
// Same mode ends: each page that is still connected takes its own setting back, applied as above.
void restoreOwnLighting(const std::vector<OwnLighting>& own);

// The lighting sync thread's work: while any connected device takes part in the synchronised lighting, one step
// of the shared effect at the pace of its speed, handed to every device in turn (mouse, mousepad, headset,
// keyboard). It sleeps until the next step, and while nothing takes part until woken.
class LightSyncRunner {
public:
    // One count of the step counter, as for the page light threads.
    static constexpr std::chrono::milliseconds kTick = UsbDeviceModel::kLightTick;
    // While a device is meant to take part but cannot (it is not connected, or another program owns the lighting)
    // the thread looks again after this long even when not woken. With none meant to, it sleeps until woken: every
    // change of a device's part is followed by wake().
    static constexpr std::chrono::milliseconds kIdleWait{1000};

    explicit LightSyncRunner(light::SyncLighting& shared) : shared_(shared) {}

    // The devices in hand-out order; set before the thread starts, they outlive it.
    void setModels(std::vector<UsbDeviceModel*> models) { models_ = std::move(models); }
    // The thread body; returns when `stop` is set (the stopper calls wake()).
    void run(StopEvent& stop);
    // A device joined or left, or the effect changed: the thread looks again at once.
    void wake();
    // For the stopper: wakes the thread and cuts short the frames it is handing out, as long as it runs; then
    // resumeStreams() once it has been joined.
    void interrupt();
    void resumeStreams();
    // Whether a connected device takes part and this program drives the lighting.
    bool active() const;
    // Whether any device is meant to take part, connected or not.
    bool anyMeantToTakePart() const;
    // One step handed out; a device that refused a frame is left out for the refusal pause.
    void stepOnce(std::chrono::steady_clock::time_point now);
    size_t stepsDone() const { return steps_.load(); }

private:
    // Sleeps up to `timeout`, or until woken when there is none; true when woken or stopped before.
    bool sleep(StopEvent& stop, std::optional<std::chrono::milliseconds> timeout);

    light::SyncLighting& shared_;
    std::vector<UsbDeviceModel*> models_;
    std::vector<std::chrono::steady_clock::time_point> heldUntil_;
    std::mutex mutex_;
    std::condition_variable woken_;
    bool wakeRequested_ = false;
    std::atomic<size_t> steps_{0};
};

} // namespace pelan
