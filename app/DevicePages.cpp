#include "app/DevicePages.h"

#include "app/CMpDevicePowerUI.h"
#include "app/CVeltraDI6533Device.h"
#include "app/CVeltraKeyboardDevice.h"
#include "app/CVeltraMouseDevice.h"
#include "app/CVeltraMousePadDevice.h"

#include <array>
#include <utility>

namespace pelan {
namespace {

using Creator = CControlFactory::Creator;

const std::array<std::pair<const char*, Creator>, 5>& pageClasses() {
    static const std::array<std::pair<const char*, Creator>, 5> classes = {{
        {"VeltraMouseDevice", [] { return new CVeltraMouseDevice(); }},
        {"VeltraMousePadDevice", [] { return new CVeltraMousePadDevice(); }},
        {"VeltraDI6533Device", [] { return new CVeltraDI6533Device(); }},
        {"VeltraKeyboardDevice", [] { return new CVeltraKeyboardDevice(); }},
        {"MpDevicePower", [] { return new CMpDevicePowerUI(); }},
    }};
    return classes;
}

} // namespace

CControlUI* createDevicePageControl(const QString& tag) {
    for (const auto& [name, create] : pageClasses())
        if (tag.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return create();
    return nullptr;
}

QStringList registerDevicePageControls() {
    QStringList registered;
    for (const auto& [name, create] : pageClasses()) {
        const QString className = QStringLiteral("C%1UI").arg(QLatin1String(name));
        CControlFactory::GetInstance()->RegistControl(className, create);
        registered.append(className);
    }
    return registered;
}

} // namespace pelan
