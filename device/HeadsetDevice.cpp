#include "device/HeadsetDevice.h"

namespace pelan {

HeadsetDevice::HeadsetDevice() : PadRecordDevice(kDeviceFolderName, kDeviceIndex, kLedCount) {}

void HeadsetDevice::loadProfileIntoPage() {
    PadRecordDevice::loadProfileIntoPage();
    if (audioProfileReader_)
        audioProfileReader_();
}

void HeadsetDevice::onConnectTimer() {
    loadProfileIntoPage();
    reapplyProfile();
    if (audioStateReader_)
        audioStateReader_();
    refreshPage();
    startLightThread();
}

} // namespace pelan
