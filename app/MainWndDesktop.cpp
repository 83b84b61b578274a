// The main window's place on the desktop: the autostart entry of the tray menu, and devices that get their profile
// back after the machine slept.
#include "app/CMainWnd.h"

#include "pages/CVeltraUSBDevice.h"
#include "platform/Autostart.h"
#include "platform/Paths.h"
#include "platform/Trace.h"

namespace pelan {

void CMainWnd::SetAutostartFromTray(bool enabled) {
    const std::string error = setAutostart(enabled, executablePath());
    if (!error.empty())
        trace("autostart: " + error);
    else
        trace(enabled ? "autostart entry written" : "autostart entry removed");
}

void CMainWnd::ReapplyProfilesAfterResume() {
    for (DevicePage& entry : m_pages) {
        if (!entry.page->isConnected() || entry.page->model().reapplyProfile().empty())
            continue;
        // The page shows what the device holds now.
        entry.page->onSyncTimer();
    }
}

} // namespace pelan
