#pragma once

#include "cli/Commands.h"
#include "macro/MacroFiles.h"

namespace pelan::cli {

// Whether `macro VERB` is one of the step commands: steps, insert, move, remove, delay.
bool isMacroStepVerb(const std::string& verb);

// A step command on macro `index` of the library (which exists); args start with the verb.
CommandResult macroStepsCommand(const Words& args, MacroLibrary& library, size_t index);

} // namespace pelan::cli
