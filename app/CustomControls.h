#pragma once

#include <QStringList>

namespace pelan {

// Registers the program's own control classes with the control factory, in the program's order. Returns the names
// registered (classes join the table as they are written).
QStringList registerCustomControls();

} // namespace pelan
