#include "device/HeadsetDevice.h"

namespace pelan {

HeadsetDevice::HeadsetDevice() : PadRecordDevice(kDeviceFolderName, kDeviceIndex, kLedCount) {}

void HeadsetDevice::onConnectTimer() {
    loadProfileIntoPage();
    if (audioStateReader_)
        audioStateReader_();
    refreshPage();
    startLightThread();
}

} // namespace pelan
