#pragma once

#include <string>
#include <vector>

namespace pelan::osconf {

// The folders LADSPA plugins are looked for in: those of $LADSPA_PATH (colon-separated) when it is set, else the
// usual system folders. A test points LADSPA_PATH at an empty folder to stand for a machine without the plugins.
std::vector<std::string> ladspaFolders();

// The absolute path of a plugin file (e.g. "ladspa-rubberband.so") in the first folder that holds it, "" when none
// does. The filter graphs name plugins by this path, so that the daemon loads the very file that was found here.
std::string findLadspaPlugin(const std::string& fileName);

} // namespace pelan::osconf
