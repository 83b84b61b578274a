#pragma once

#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/CommandOutput.h"

namespace pelan::cli {

// Runs one parsed call: sets up the hidraw root, the emulated devices and the data folder it asks for, then the
// command. The emulated devices live until the command has ended.
CommandResult runInvocation(const Invocation& call);

// The command words of a call against one kind; the environment is already set up.
CommandResult runCommand(const std::vector<std::string>& words, CliKind kind);

// The groups of commands (each takes the words after the first one).
using Words = std::vector<std::string>;
CommandResult devicesCommand(const Words& args);
CommandResult presentDevicesCommand();
CommandResult udevRuleCommand(const Words& args);
CommandResult infoCommand(const Words& args, CliKind kind);
CommandResult settingsCommand(const Words& args, CliKind kind);
CommandResult statusCommand(const Words& args, CliKind kind);
CommandResult dpiCommand(const Words& args, CliKind kind);
CommandResult pollingCommand(const Words& args, CliKind kind);
CommandResult lightCommand(const Words& args, CliKind kind);
CommandResult keyCommand(const Words& args, CliKind kind);
CommandResult macroCommand(const Words& args, CliKind kind);
CommandResult profileCommand(const Words& args, CliKind kind);
CommandResult rawCommand(const Words& args, CliKind kind);
CommandResult recoilCommand(const Words& args, CliKind kind);
CommandResult updateCommand(const Words& args);
CommandResult headsetCommand(const Words& args);
CommandResult activeAppCommand(const Words& args);

} // namespace pelan::cli
