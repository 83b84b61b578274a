#pragma once

// SIGINT and SIGTERM as something an event loop can wait for: after watchTerminationSignals() the returned
// descriptor becomes readable when either signal arrives, so the program can end the way its "exit" does (workers
// stopped, temporary files removed) instead of dying where it stands.
namespace pelan {

// Installs the handlers (once) and returns the descriptor to watch; -1 when it cannot be set up.
int watchTerminationSignals();
// Reads what the signals wrote, so the descriptor is quiet again.
void drainTerminationSignals();
// Sleeps until SIGINT or SIGTERM arrives (watching them first). False when they cannot be watched.
bool waitForTerminationSignal();

} // namespace pelan
