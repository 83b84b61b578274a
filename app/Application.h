#pragma once

#include "app/StartupOptions.h"

namespace pelan {

// The options the program was started with (kept for the main window, which starts the emulated devices).
const StartupOptions& startupOptions();
// Replaces them (runPelan sets them from the command line; tests set them directly).
void setStartupOptions(const StartupOptions& options);

// The whole life of the program: fonts, single instance, UI resources, control classes, window messages, the main
// window and the message loop, then everything undone in reverse order. Returns the process exit code.
int runPelan(int argc, char** argv);

} // namespace pelan
