#include "device/MousepadDevice.h"

namespace pelan {

MousepadDevice::MousepadDevice() : PadRecordDevice(kDeviceFolderName, kDeviceIndex, padlight::kLedCount) {}

void MousepadDevice::onConnectTimer() {
    // A failed read leaves the information of the last good one.
    if (commandChannel.connected)
        runGuardedUpdate([this] { return readDeviceInfoGuarded(); });
    loadProfileIntoPage();
    reapplyProfile();
    refreshPage();
    startLightThread();
}

} // namespace pelan
