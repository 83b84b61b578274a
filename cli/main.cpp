// pelanctl: configures the devices from the command line through the same core as the program's window.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "platform/Version.h"

int main(int argc, char** argv) {
    using namespace pelan::cli;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParseOutcome parsed = parseCommandLine(arguments);
    if (parsed.invocation.help) {
        std::fwrite(helpText().data(), 1, helpText().size(), stdout);
        return kExitSuccess;
    }
    if (parsed.invocation.version) {
        std::printf("pelanctl %.*s\n", int(pelan::programVersion().size()), pelan::programVersion().data());
        return kExitSuccess;
    }
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "pelanctl: %s\n", parsed.error.c_str());
        return kExitUsage;
    }
    const CommandResult result = runInvocation(parsed.invocation);
    if (!result.ok()) {
        std::fprintf(stderr, "pelanctl: %s\n", result.error.c_str());
        return result.exitCode;
    }
    if (!result.notice.empty())
        std::fprintf(stderr, "pelanctl: %s\n", result.notice.c_str());
    const std::string text = parsed.invocation.json ? renderJson(result.document) : renderText(result.document);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitSuccess;
}
