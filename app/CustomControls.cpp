#include "app/CustomControls.h"

#include "controls/CDeviceKeyButtonUI.h"
#include "controls/CDeviceOptionUI.h"
#include "controls/CHandImgButtonUI.h"
#include "controls/CRecoilChartUI.h"
#include "controls/CSelectPanelUI.h"
#include "pages/CMpDevicePowerUI.h"
#include "pages/CVeltraDI6533Device.h"
#include "pages/CVeltraMousePadDevice.h"
#include "pages/CVeltraUSBDevice.h"
#include "panels/CKeySetControlUI.h"
#include "panels/CMacroControlUI.h"
#include "panels/CShootControlUI.h"
#include "ui/UIDlgBuilder.h"

#include <utility>
#include <vector>

namespace pelan {

QStringList registerCustomControls() {
    // Class name and creator of each custom control that exists so far, in registration order.
    const std::vector<std::pair<QString, CControlFactory::Creator>> controls = {
        {"CSelectPanelUI", [] { return static_cast<CControlUI*>(new CSelectPanelUI()); }},
        {"CDeviceKeyButtonUI", [] { return static_cast<CControlUI*>(new CDeviceKeyButtonUI()); }},
        {"CDeviceOptionUI", [] { return static_cast<CControlUI*>(new CDeviceOptionUI()); }},
        {"CMpDevicePowerUI", [] { return static_cast<CControlUI*>(new CMpDevicePowerUI()); }},
        {"CShootControlUI", [] { return static_cast<CControlUI*>(new CShootControlUI()); }},
        {"CMacroControlUI", [] { return static_cast<CControlUI*>(new CMacroControlUI()); }},
        {"CKeySetControlUI", [] { return static_cast<CControlUI*>(new CKeySetControlUI()); }},
        {"CVeltraUSBDevice", [] { return static_cast<CControlUI*>(new CVeltraUSBDevice()); }},
        {"CVeltraMousePadDevice", [] { return static_cast<CControlUI*>(new CVeltraMousePadDevice()); }},
        {"CVeltraDI6533Device", [] { return static_cast<CControlUI*>(new CVeltraDI6533Device()); }},
        {"CHandImgButtonUI", [] { return static_cast<CControlUI*>(new CHandImgButtonUI()); }},
        {"CRecoilChartUI", [] { return static_cast<CControlUI*>(new CRecoilChartUI()); }},
    };
    QStringList registered;
    for (const auto& [name, creator] : controls) {
        CControlFactory::GetInstance()->RegistControl(name, creator);
        registered.append(name);
    }
    return registered;
}

} // namespace pelan
