#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "app/CMainWnd.h"
#include "rgbserver/DeviceControllers.h"
#include "rgbserver/SdkServer.h"

namespace pelan {

// The window's OpenRGB SDK server: the connected pages' models as controllers, and the jobs the server's thread
// hands to the UI thread (profile and device writes, the owner label).
struct CMainWnd::RgbServer {
    RgbServer(std::vector<UsbDeviceModel*> models, const rgb::ServerSettings& settings)
        : controllers(std::move(models)), server(controllers, settings) {}

    rgb::DeviceControllers controllers;
    rgb::SdkServer server;
    std::mutex jobLock;
    std::vector<std::function<void()>> jobs;
};

} // namespace pelan
