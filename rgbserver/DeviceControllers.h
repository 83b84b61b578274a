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

    std::vector<Controller> describe() override;
    void showColours(size_t controller, const std::vector<Colour>& colours) override;
    void applyMode(size_t controller, size_t modeIndex, const Mode& mode, bool save) override;
    void directControlChanged(const std::vector<std::string>& clientNames) override;

    // One device as a controller (the model's current state).
    static Controller describe(UsbDeviceModel& model);
    // The light setting a client's mode choice makes of a device's current one.
    static LightInfo lightOf(const LightInfo& current, int kind, const Mode& chosen);

private:
    UsbDeviceModel* described(size_t controller);
    // The device's LED values for a frame of the controller's colours (the keyboard's keys to its LEDs).
    static light::LedFrame ledFrame(UsbDeviceModel& model, const std::vector<Colour>& colours);

    std::vector<UsbDeviceModel*> models_;
    std::vector<UsbDeviceModel*> described_;
    JobRunner runJob_ = [](std::function<void()> job) { job(); };
    std::function<void(const std::vector<std::string>&)> ownerListener_;
};

} // namespace pelan::rgb
