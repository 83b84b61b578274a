#pragma once

#include <string>

namespace pelan::platform {

// Unix SEQPACKET sockets, where one message is one report: how emulated hidraw nodes are served and opened.
// Both return a non-blocking, close-on-exec descriptor, or -1 (also for a path of 108 bytes or more).
int connectSeqpacket(const std::string& path);
// Binds (replacing a stale socket file) and listens.
int listenSeqpacket(const std::string& path);

} // namespace pelan::platform
