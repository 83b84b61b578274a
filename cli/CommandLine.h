#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelan::cli {

// The device kinds the tool speaks to, by the names of the command line.
enum class CliKind { Mouse, Mousepad, Headset, Keyboard };

std::optional<CliKind> kindFromName(std::string_view name);
std::string_view kindName(CliKind kind);

// The global options and the command words of one call.
struct Invocation {
    std::optional<std::string> root;    // --root DIR: the folder standing for "/" when looking for hidraw nodes
    std::optional<std::string> emulate; // --emulate KINDS: devices served in this process
    std::optional<std::string> dataDir; // --data-dir DIR: in place of the local application data folder
    CliKind kind = CliKind::Mouse;
    bool json = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> words; // the command and its arguments, global options taken out
};

struct ParseOutcome {
    Invocation invocation;
    std::string error; // not empty when the arguments cannot be used
};

// Global options may stand anywhere; every other word belongs to the command, in order.
ParseOutcome parseCommandLine(const std::vector<std::string>& arguments);

// What `--help` prints.
std::string_view helpText();

// A number in decimal or as 0x followed by hexadecimal digits (as pelan-emu reads them), at most `max`.
std::optional<uint32_t> parseNumberArgument(std::string_view text, uint32_t max);

// Bytes written as hexadecimal pairs, with or without blanks or colons between them ("0a0b", "0a 0b", "0a:0b").
std::optional<std::vector<uint8_t>> parseHexBytes(std::string_view text);

} // namespace pelan::cli
