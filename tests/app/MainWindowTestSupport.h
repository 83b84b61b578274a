#pragma once

// The main window as the program makes it at start-up, for tests that drive it whole.
#include "AppTestSupport.h"
#include "app/AppMessages.h"
#include "app/CMainWnd.h"
#include "app/CustomControls.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <QTimer>
#include <memory>

namespace pelan::test {

// With the source tree's skin in English, the custom controls and the window messages registered; null when the
// window could not be created.
inline std::unique_ptr<CMainWnd> createMainWindow() {
    useSourceSkin("lan_en.xml");
    registerCustomControls();
    registerInstanceMessage();
    registerGuidMessages();
    auto window = std::make_unique<CMainWnd>();
    if (window->Create(static_cast<QWidget*>(nullptr), productTitle(), 0x96CA0000, 0, 0, 0, 800, 572) == nullptr)
        return nullptr;
    return window;
}

// Destroys the window. Destroying it asked the application to quit, which would end every later modal loop at
// once; one pass of the application's own loop takes the request.
inline void destroyMainWindow(std::unique_ptr<CMainWnd>& window) {
    if (window != nullptr && window->GetHWND() != nullptr)
        window->DestroyWindow();
    window.reset();
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

} // namespace pelan::test
