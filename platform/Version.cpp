#include "platform/Version.h"

namespace pelan {

std::string_view programVersion() {
    return PELAN_VERSION;
}

} // namespace pelan
