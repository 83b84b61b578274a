#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device/UsbDeviceModel.h"
#include "rgbserver/SdkServer.h"

namespace pelan::rgb {

// Our devices as SDK controllers. Each connected device model is one controller: the LEDs our light stream drives
// (the mouse's, the mousepad's ring, the headset's, the keyboard's keys in key order with their names), zones from
// the device's lighting areas, and the modes "Direct" (per-LED colours over the light stream) and the device's own
// visible light modes with the settings the lighting panel offers for them.
class DeviceControllers : public ControllerSource {
public:
    // Runs a job that changes profiles and device settings where such changes belong (the window's UI thread);
    // the default runs it at once.
    using JobRunner = std::function<void(std::function<void()>)>;

    // `models` outlive this object; only the connected ones are served, in this order.
    explicit DeviceControllers(std::vector<UsbDeviceModel*> models);

    void setJobRunner(JobRunner runner) { runJob_ = std::move(runner); }
    // Told (on the server thread) which clients drive LEDs, after the devices were handed to them or back.
    void setOwnerListener(std::function<void(const std::vector<std::string>&)> listener) {
        ownerListener_ = std::move(listener);
    }

    // Takes the connected devices as they are now. Call it on the thread that connects and changes the models (the
    // window's UI thread, the scanner's thread of pelanctl) whenever a device has connected or left, before telling
    // the server: the server's thread reads only this picture, never what a connection is writing.
    void refresh();

    std::vector<Controller> describe() override;
    void showColours(size_t controller, const std::vector<Colour>& colours) override;
    void applyMode(size_t controller, size_t modeIndex, const Mode& mode, bool save) override;
    void directControlChanged(const std::vector<std::string>& clientNames) override;

    // One device as a controller (the model's current state).
    static Controller describe(UsbDeviceModel& model);
    // The light setting a client's mode choice makes of a device's current one.
    static LightInfo lightOf(const LightInfo& current, int kind, const Mode& chosen);

private:
    // A served device: its model, and what the server's thread needs of it without reading the model's fields.
    struct Served {
        UsbDeviceModel* model = nullptr;
        int kind = 0;
        std::vector<size_t> deviceLeds; // the device LED behind each controller LED
        Controller controller;
    };
    static Served serve(UsbDeviceModel& model);
    const Served* described(size_t controller) const;

    std::vector<UsbDeviceModel*> models_;
    std::mutex snapshotLock_;
    std::vector<Served> snapshot_;
    // The server thread's copy of the picture its controllers were described from.
    std::vector<Served> described_;
    JobRunner runJob_ = [](std::function<void()> job) { job(); };
    std::function<void(const std::vector<std::string>&)> ownerListener_;
};

} // namespace pelan::rgb
