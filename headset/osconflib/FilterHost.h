#pragma once

#include "headset/osconflib/PipeWireSession.h"

#include <optional>
#include <string>
#include <vector>

namespace pelan::osconf {

// What the headset's filters share: how they find the headset in the graph, keep their drop-ins and start the
// helper that hosts them.

// The headset's node of a media class ("Audio/Sink", "Audio/Source"): the node named by the environment variable
// namedBy where it is set, else the node of that class on the headset's ALSA card.
std::optional<GraphNode> headsetNode(const PipeWireSession& session, const std::string& mediaClass, const char* namedBy,
                                     int headsetCard);

// Writes a drop-in atomically, creating its folder; false when it could not be written.
bool writeDropIn(const std::string& path, const std::string& text);
void removeDropIn(const std::string& path);

// Starts the helper with these arguments in a session of its own ("setsid -f"), so that it outlives the program,
// with none of the program's descriptors; false when it could not be started.
bool startHelper(const std::string& helper, const std::vector<std::string>& args);

} // namespace pelan::osconf
