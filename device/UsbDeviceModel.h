#pragma once

// The core of a device page: what every device model (mouse, mousepad, keyboard, headset) holds and does apart
// from its controls. A page class wraps one model and shows it; the model never touches a control.
//
// How a subclass uses it:
// - Construct with the device folder name ("mouse", "keyboard", "MousePad", "HD") and the device index of the
//   shared light lists; override the virtual operations the device fills (readSettings and friends are the
//   subclass's own), keeping the base names so the page can forward to them one to one.
// - The main window opens `commandChannel.device`, sets `connected` (and `wireless` for a receiver) and calls
//   onConnected with the device-list entry; openNotifyInterface does the same for the notification interface and
//   starts the notification thread.
// - Light preview: call startLightThread(); the thread calls lightStep() each time it is due. The base lightStep
//   runs the generator of lightMode() at the pace of lightSpeed(); a subclass overrides lightStep (or the
//   generators) for effects of its own, and calls publishLightFrame after it rewrote ledState. That shows the
//   frame, and streams it to the device only while streamLightFrames is set: the device runs its own effect from
//   its settings, and a stream beside the command exchanges would only compete with them for the interface.
//   ledState, lightInfo, the effect counters and the effect buffer are guarded by lightLock; the generators
//   expect it held.
// - Everything a page must show goes to the attached DeviceModelObserver; light frames and sync requests arrive
//   on worker threads, so the page passes them to its UI thread.
// - WorkerThread (device/WorkerThread.h) gives a subclass further workers with the same stop protocol; the light
//   and notification threads write lightThreadExitText / notifyThreadExitText to the trace when they end.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/ReportProtocol.h"
#include "device/SupportedDevices.h"
#include "device/WorkerThread.h"
#include "keys/KeyAssignment.h"
#include "light/LightEffects.h"
#include "profile/LightNameLists.h"
#include "profile/ProfileRecords.h"

namespace pelan {

// The 6-byte status record of the periodic status read.
struct PowerStatus {
    static constexpr size_t kLength = 6;
    std::array<uint8_t, kLength> bytes{};

    uint8_t battery() const { return bytes[0]; }       // charge in percent
    uint8_t chargingState() const { return bytes[1]; } // 0 charged, 1 charging, 2 on battery
    uint8_t wirelessMark() const { return bytes[3]; }  // 1 when reached through the wireless receiver
    uint8_t statusValue() const { return bytes[4]; }
    uint8_t phoneType() const { return bytes[5]; } // 1 iPhone, 2 Samsung, 3 other, anything else none
};

// What the device changed with its own buttons, found by the settings read it asked for.
struct DeviceButtonChange {
    int dpi = 0;      // the DPI of the stage the device moved to; 0 when the stage stayed
    int profile = -1; // the device's own profile index it moved to; -1 when it stayed
};

// What a page attaches to its model to show the model's state. Every operation has an empty default.
class DeviceModelObserver {
public:
    virtual ~DeviceModelObserver() = default;
    // Periodic status read (UI thread): for the power display, if one is attached.
    virtual void onPowerStatus(const PowerStatus& /*status*/) {}
    // Periodic status read (UI thread): the device status value, for the status window (message 0x0D01).
    virtual void onDeviceStatus(uint8_t /*statusValue*/) {}
    // A light frame was computed (light thread): the on-screen preview of every LED, LED 126 included.
    virtual void onLightFrame(const light::LedFrame& /*leds*/) {}
    // The device asked for its settings to be read again (notification thread): arm the 500 ms sync timer.
    virtual void onSyncRequested() {}
    // refreshPage: the page redraws its controls from the model.
    virtual void onRefresh() {}
    // clearKeySelection and selectKey: the page redraws its key buttons.
    virtual void onKeySelection(int /*selectedKey*/) {}
    // The firmware is too old: the page asks whether to upgrade (UI thread). False when the user declined and the
    // program ends: the connection goes no further.
    virtual bool onFirmwareTooOld(uint16_t /*versionNumber*/) { return true; }
    // The settings read found this profile active on the device, for the status window (message 0x0D00).
    virtual void onCurrentProfile(int /*profileIndex*/) {}
    // The device changed its DPI stage or its profile with its own buttons (UI thread).
    virtual void onChangedOnDevice(const DeviceButtonChange& /*change*/) {}
};

class UsbDeviceModel {
public:
    // The LED that has no light of its own on the device: shown on screen, never sent.
    static constexpr size_t kUnsentLed = 126;
    // Position of a key without an entry in the key table.
    static constexpr int kNoKeyPosition = 126;
    static constexpr size_t kKeyTableSize = 512;
    static constexpr size_t kEffectKeyCells = 126;
    static constexpr size_t kEffectRowCells = 23;
    static constexpr std::chrono::milliseconds kRefusedFramePause{200};
    static constexpr std::chrono::milliseconds kDisconnectedPause{100};
    // One count of the light thread's step counter. The counter moves when the system tick count moves on, and that
    // count advances in steps of about 16 ms on the desktops these effects were tuned for; counting in 16 ms keeps
    // their visible pace (about 110 ms a step at the fastest speed) and costs a fraction of faster counting.
    static constexpr std::chrono::milliseconds kLightTick{16};

    // Notification usages.
    static constexpr uint16_t kUsageSyncRequest = 0x401;
    static constexpr uint16_t kUsageCounter = 0x404;

    UsbDeviceModel(std::string deviceFolderName, int deviceIndex);
    virtual ~UsbDeviceModel();
    UsbDeviceModel(const UsbDeviceModel&) = delete;
    UsbDeviceModel& operator=(const UsbDeviceModel&) = delete;

    // --- virtual operations, by the names the pages use ---
    virtual void afterProfileLoad() {}
    virtual void lightFrameBreathing();
    virtual void lightFrameCycle();
    virtual void lightFrameStatic();
    virtual void lightFrameSpectrum();
    virtual void lightFrameBlink();
    virtual void lightFrameBlinkCycle();
    virtual void lightFrameOff();
    // Hands the frame to the observer and, unless wireless, to the light stream; nothing while lightingControl is
    // clear (returns 0). A frame the device does not accept pauses the sender 200 ms. Returns the stream result
    // (1 when nothing had to be sent).
    virtual int sendLightFrame();
    // Synchronised lighting (sync thread): every LED takes `value` and the frame is shown and sent as
    // sendLightFrame does, without its pause: the caller holds back a device that refused. Returns the stream
    // result (0 while lightingControl is clear).
    int showSyncColour(light::LedValue value);
    // A frame from another program (an SDK client): the LEDs take its values (at most as many as there are), and
    // the frame is shown and sent as showSyncColour does. Returns the stream result (0 while lightingControl is
    // clear).
    int showExternalFrame(const light::LedFrame& frame);
    virtual void setLedState(int index, light::LedValue value);
    virtual light::LedValue getLedState(int index) const;
    virtual void onConnectTimer() {}
    virtual void onSyncTimer() {}
    virtual void onTimer1003() {}
    virtual void onTimer1004() {}
    virtual void onPeriodicTimer() {}
    virtual void loadProfileIntoPage() {}
    virtual void refreshPage();
    virtual void checkMacroAssignments() {}
    virtual void loadDefaultProfile() {}
    virtual int writeKeyAssignments(int /*table*/, const std::vector<KeyRecord>& /*keys*/) { return 0; }
    virtual int writeCurrentKeys(int /*table*/) { return 0; }
    virtual int writeMacros() { return 0; }
    virtual int writeSettings(int /*profileIndex*/, int /*firstByte*/, int /*a*/ = 0, int /*b*/ = 0, int /*c*/ = 0) {
        return 0;
    }
    // Settings that stay on the device: reads what the connected device holds and writes the parts of the loaded
    // profile it no longer has (a re-plug, a reboot or a resume can leave it with others). Returns the names of the
    // parts written, which are traced; nothing when there is no profile or nothing differs. A kind without its own
    // comparison writes nothing.
    virtual std::vector<std::string> reapplyProfile() { return {}; }
    // Traces each part reapplyProfile wrote to the device called `deviceName`.
    void traceReapplied(const std::vector<std::string>& parts, const char* deviceName) const;
    // Loads the page's light name lists (lightNames) from "default_light.json" and the user's light configuration.
    virtual void loadLightAndMacroConfig();
    virtual void setKeyPositionMap(const std::map<int, int>& map);
    // Keyboard-style effect routines on effectBuffer (cells 0-125 per key, 126-148 the effect row).
    virtual uint8_t decayEffectValue(int key, bool fast);
    virtual void markPressedKeys();
    virtual void rotateEffectRow(int direction);
    virtual void clearEffectBuffers();
    virtual int getFunctionTab() const { return functionTab; }
    virtual void setProfilePaths();
    virtual std::string getProfilePath() const { return {}; }
    virtual int saveProfile() { return 0; }
    virtual void setDeviceIndex(int n) { deviceIndex = n; }
    virtual int getDeviceIndex() const { return deviceIndex; }
    // The three words of the 11-byte light info, low byte first: mode, brightness, speed, effect; multicolour,
    // red, green, blue; extra0, extra1, extra2.
    virtual void setLightInfo(uint32_t first, uint32_t second, uint32_t third);
    virtual LightInfo getLightInfo() const;
    virtual void selectKey(int index);
    virtual void clearKeySelection();

    // The outcome of the macro action: the writeMacros result and what to tell the user.
    struct MacroApplyResult {
        int macroResult = 0;
        std::string messageKey; // "" (done), "message_text_7" (failed) or "message_text_16" (format with count)
        int messageCount = 0;   // for "message_text_16": events that do not fit, plus one
        int keyResult = 0;      // writeCurrentKeys, when the macros were written
    };

    // The macro action of the main window and of the key set panel: the macro memory, then, when it was written,
    // the key table, the profile file and a cleared key selection.
    MacroApplyResult applyMacros();
    // The macro memory before a key is given a macro: sent only when the image differs from the one this
    // connection last wrote, so the key never names a macro the device does not hold. Nothing else is written.
    MacroApplyResult writeChangedMacros();

    // --- connection ---
    // Takes the device-list entry the command interface was opened with.
    void onConnected(const SupportedDeviceEntry& entry);
    // Opens the notification interface (stopping the thread and closing a previous one first), marks it connected
    // and starts the notification thread. False when the interface cannot be opened.
    bool openNotifyInterface(const std::string& path);
    void closeNotifyInterface();
    // Stops the light and notification threads; a page calls it on removal and before destruction.
    void stopThreads();

    // The 6-byte status read (command 0x1A): handed to the observer; nothing when not connected or refused.
    std::optional<PowerStatus> readPowerStatus();

    // Light preview thread: runs lightStep whenever it is due (see lightStepInterval). False if already running.
    bool startLightThread();
    WorkerThread::StopOutcome stopLightThread();
    bool lightThreadRunning() const { return lightWorker_.running(); }
    // Notification handling of one report (the thread's work, callable for a report read elsewhere).
    void handleNotificationUsage(uint16_t usage);
    uint8_t notificationCounter() const { return notifyCounter_.load(); }

    // The folders and files of this device.
    std::string userDeviceFolder() const;
    std::string defaultDataFolder() const;
    std::string defaultProfilePath() const;
    // The user device folder's file of profile `name` (name + ".Json"); "" when there is no folder or name.
    std::string profileFilePath(const std::string& name) const;

    void setObserver(DeviceModelObserver* observer) { observer_.store(observer); }
    DeviceModelObserver* observer() const { return observer_.load(); }
    // Replaces the monotonic clock of the blink effects (tests).
    void setTickSource(std::function<std::chrono::milliseconds()> source);
    // A copy of the LED values, taken under the light lock.
    light::LedFrame ledSnapshot() const;
    void resizeLeds(size_t count);
    // The effect state, for inspection.
    light::EffectCounters effectCountersSnapshot() const;

    // --- state (the page's fields) ---
    ReportProtocol commandChannel;
    ReportProtocol notifyChannel;
    std::array<uint8_t, kDeviceInfoLength> deviceInfo{};
    std::string profileName;
    // The last profile load that had to bring members into the device's ranges (the file is stored so): its path
    // and the members changed, until someone takes them to tell the user (takeProfileLoadChanges).
    std::string clampedProfilePath;
    std::vector<std::string> clampedProfileMembers;
    std::string lightFileStem = "tavix_light";
    std::string deviceFolderName;
    int deviceKind = 0;
    int interfaceRole = 0;
    std::map<int, int> keyPositionMap;
    LightInfo lightInfo;
    // The names of the built-in light effects, lighting areas and configured effects the page offers (UI thread).
    LightNameLists lightNames;
    light::LedFrame ledState;
    light::EffectCounters effectCounters;
    std::atomic<int> lightingControl{1};
    // Whether the light thread streams its frames to the device (sendLightFrame) or only shows them.
    std::atomic<int> streamLightFrames{0};
    // Whether someone sees the preview (the page is in front of a shown window).
    std::atomic<int> previewEnabled{1};
    // Set while the device shows the synchronised lighting: the light thread then leaves the LEDs to it.
    std::atomic<int> syncLighting{0};
    // Set while another program on this machine drives the LEDs frame by frame (an SDK client): the light thread
    // and the synchronised lighting leave the LEDs to it.
    std::atomic<int> externalFrames{0};
    // Change previewEnabled and streamLightFrames through these while the light thread runs: with neither set the
    // thread sleeps until one is, and these wake it.
    void setPreviewEnabled(bool enabled);
    void setStreamLightFrames(bool enabled);
    int functionTab = 1;
    int selectedKey = -1;
    int deviceIndex = 0;
    std::atomic<int> powerDisplayEnabled{0};
    SupportedDeviceEntry identity;
    std::array<uint8_t, kKeyTableSize> keyTable{};
    std::array<uint8_t, kEffectKeyCells + kEffectRowCells> effectBuffer{};
    // Guards lightInfo, ledState, effectCounters, effectBuffer and what a subclass adds for its effects.
    mutable std::recursive_mutex lightLock;

protected:
    // One light-thread step: runs the generator of lightMode() and sends the frame. Called with nothing locked.
    virtual void lightStep();
    // After a light step: sendLightFrame while streamLightFrames is set, else the on-screen part alone.
    void publishLightFrame();
    // Rewrites ledState for a light mode with the page's generators; the base knows modes 0, 1, 2, 4, 6, 7 and 8
    // and shows any other mode as off.
    virtual void runLightMode(uint8_t mode);
    // Trace lines written when the light or notification thread ends.
    virtual const char* lightThreadExitText() const { return "灯光线程设定退出"; }
    virtual const char* notifyThreadExitText() const { return "设备同步线程设定退出"; }
    // Time between two light steps: the step threshold of the light speed, in light-thread ticks.
    virtual std::chrono::milliseconds lightStepInterval() const;
    // The mode and speed the light thread follows; the base takes them from lightInfo.
    virtual uint8_t lightMode() const;
    virtual uint8_t lightSpeed() const;
    // Runs the base generator of a mode (0 spectrum, 1 breathing, 2 static, 4 blink, 6 cycle, 7 off, 8 blink-cycle)
    // with another light setting than lightInfo (custom effect steps); false for a mode without a base generator.
    // Expects lightLock held.
    bool runBaseGenerator(uint8_t mode, const LightInfo& light);

    // One device-page write sequence: beginUpdate, `write`, endUpdate, each step only while the wireless guard lets
    // it through (0 otherwise). A refused step ends the sequence with its result. An update once begun is always
    // ended, also when the guard stopped the sequence, so the device does not stay in update mode. 1 when all
    // three were accepted.
    int runGuardedUpdate(const std::function<int()>& write);
    // Reads the device-info record behind the wireless guard; deviceInfo changes only when the read succeeded.
    int readDeviceInfoGuarded();
    // Writes the macro memory image of the device's macro list (guarded as the other sequences). 0 when written,
    // and 0 with nothing sent when there are no macros; the number of events that do not fit plus one when over
    // the capacity of device-info byte 6 x 128 (nothing sent); -1 when the image could not be written.
    int writeMacroMemory(bool onlyWhenChanged = false);
    // What writeMacroMemory returned, with the message for the user.
    static MacroApplyResult describeMacroResult(int macroResult);

    std::chrono::milliseconds tickNow() const;
    // Waits on the light thread's stop event; true when it was set.
    bool lightPause(std::chrono::milliseconds duration);
    // The device-info key count (byte 5).
    uint8_t keyCount() const { return deviceInfo[5]; }
    // Device-info byte 6: the macro memory in units of 128 bytes.
    static constexpr size_t kInfoMacroUnits = 6;

private:
    // The macro image this connection last wrote; empty when none was written or the device came anew.
    std::vector<uint8_t> macroImageWritten_;
    // Hands a copy of ledState to the observer (while previewEnabled) and returns it.
    light::LedFrame showLightFrame();
    // Shows the frame and streams it unless wireless; nothing while lightingControl is clear (0).
    int streamLedState();
    void lightThreadBody(StopEvent& stop);
    void notifyThreadBody(StopEvent& stop);
    void wakeNotifyReader();
    // Sleeps while the light thread has nobody to show its frames to and no device to stream them to. False when
    // the thread is to stop.
    bool waitForLightAudience(const StopEvent& stop);
    void wakeLightThread();

    std::atomic<DeviceModelObserver*> observer_{nullptr};
    std::mutex audienceLock_;
    std::condition_variable audienceChanged_;
    std::function<std::chrono::milliseconds()> tickSource_;
    std::atomic<uint8_t> notifyCounter_{0};
    WorkerThread lightWorker_;
    WorkerThread notifyWorker_;
};

} // namespace pelan
