#pragma once

#include <functional>

#include "controls/CDeviceOptionUI.h"
#include "pages/CVeltraUSBDevice.h"

namespace pelan {

// Lets a device list entry drive its page's timers: connect (1001), sync (1002) and the periodic status (1005).
// The pages have no work for the timers 1003 and 1004.
class PageOptionLink : public IDeviceOptionPage {
public:
    // `connected` is told after each run of the page's connect routine.
    explicit PageOptionLink(CVeltraUSBDevice& page, std::function<void()> connected = {})
        : m_page(page), m_connected(std::move(connected)) {}

    void OnOptionTimer(UINT id) override {
        switch (id) {
        case CDeviceOptionUI::kConnectTimer:
            m_page.onConnectTimer();
            if (m_connected)
                m_connected();
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
    std::function<void()> m_connected;
};

} // namespace pelan
