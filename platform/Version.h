#pragma once

#include <string_view>

namespace pelan {

// The program's version, as the build names it ("1.0.0"); `pelan --version` and `pelanctl --version` print it.
std::string_view programVersion();

} // namespace pelan
