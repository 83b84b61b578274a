#pragma once

#include "controls/CDeviceOptionUI.h"
#include "pages/CVeltraUSBDevice.h"

namespace pelan {

// Lets a device list entry drive its page's timers: connect (1001), sync (1002) and the periodic status (1005).
// The pages have no work for the timers 1003 and 1004.
class PageOptionLink : public IDeviceOptionPage {
public:
    explicit PageOptionLink(CVeltraUSBDevice& page) : m_page(page) {}

    void OnOptionTimer(UINT id) override {
        switch (id) {
        case CDeviceOptionUI::kConnectTimer:
            m_page.onConnectTimer();
            break;
        case CDeviceOptionUI::kSyncTimer:
            m_page.onSyncTimer();
            break;
        case CDeviceOptionUI::kPeriodicTimer:
            m_page.onPeriodicTimer();
            break;
        default:
            break;
        }
    }
    bool IsPowerDisplayEnabled() const override { return m_page.powerDisplayEnabled(); }
    bool IsCommandConnected() const override { return m_page.isConnected(); }

private:
    CVeltraUSBDevice& m_page;
};

} // namespace pelan
