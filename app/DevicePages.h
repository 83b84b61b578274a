#pragma once

#include "ui/DuiLib.h"

namespace pelan {

// The device pages and the power panel by the tags of their layouts ("VeltraMouseDevice", "VeltraMousePadDevice",
// "VeltraDI6533Device", "VeltraKeyboardDevice", "MpDevicePower"; compared without case); null for any other tag.
CControlUI* createDevicePageControl(const QString& tag);

// Registers the same classes with the control factory ("CVeltraMouseDeviceUI", ..., "CMpDevicePowerUI"), so their
// layouts build without a window's builder callback. Returns the class names registered.
QStringList registerDevicePageControls();

} // namespace pelan
