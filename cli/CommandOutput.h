#pragma once

#include <json/value.h>
#include <string>

namespace pelan::cli {

// Exit statuses of pelanctl.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// What one command produced: a document for standard output, or the line that says what failed.
struct CommandResult {
    int exitCode = kExitSuccess;
    Json::Value document{Json::objectValue};
    std::string error;
    // What a successful command has to tell beside its document (a line on standard error).
    std::string notice;

    bool ok() const { return exitCode == kExitSuccess; }
};

CommandResult succeeded(Json::Value document);
CommandResult failed(std::string error);
CommandResult usageFailed(std::string error);

// The document as indented JSON text, ending with a new line.
std::string renderJson(const Json::Value& document);

// The document as plain text, one "name: value" line per member; a list of records gives one line per record
// with its members as name=value, a nested record indents its lines.
std::string renderText(const Json::Value& document);

// Lower-case hexadecimal pairs separated by blanks.
std::string hexText(const uint8_t* bytes, size_t length);
// 0x followed by `digits` hexadecimal digits.
std::string hexNumber(uint32_t value, int digits);

} // namespace pelan::cli
