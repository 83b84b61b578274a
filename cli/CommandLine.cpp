#include "cli/CommandLine.h"

#include <array>
#include <utility>

#include "emulator/EmulatorSession.h"

namespace pelan::cli {
namespace {

constexpr std::array<std::pair<std::string_view, CliKind>, 4> kKindNames = {{
    {"mouse", CliKind::Mouse},
    {"mousepad", CliKind::Mousepad},
    {"headset", CliKind::Headset},
    {"keyboard", CliKind::Keyboard},
}};

constexpr std::string_view kHelp =
    R"(usage: pelanctl [OPTIONS] COMMAND [ARGUMENTS]

Configures the ORVANE Pelan devices from the command line, with the same profiles, macro files and device
writes as the program's window: every change goes into the profile, the profile file, then the device.

Options (anywhere on the line):
  --root DIR        look for hidraw nodes under DIR (as PELAN_HIDRAW_ROOT does)
  --emulate KINDS   serve emulated devices in this process (mouse,mousepad,headset,keyboard,
                    receiver: the mouse behind its wireless receiver)
  --data-dir DIR    keep profiles and macros in DIR instead of the local application data folder
  --kind KIND       mouse (default), mousepad, headset or keyboard
  --json            print one JSON document instead of text
  --help            this text
  --version         the version of pelanctl
PELAN_TRACE=1 writes the program's trace (every request and reply report) to standard error.

Commands:
  devices                          supported interfaces present: kind, role, IDs, interface, collection,
                                   usage page, usage, version and path
  devices --known                  the supported-device table and the device file each row comes from
  devices add KIND VID:PID [--wireless]
                                   write a device file for a KIND (mouse, keyboard, mousepad, headset) with
                                   other IDs into $XDG_CONFIG_HOME/orvane-pelan/devices.d/ (--wireless: a
                                   mouse behind its wireless receiver); the window takes it at once
  udev-rule [--shipped]            the udev rule giving access to every interface of the table (--shipped:
                                   of the shipped device files alone); install it with
                                   pelanctl udev-rule | sudo tee /etc/udev/rules.d/70-orvane-pelan.rules
                                   then sudo udevadm control --reload && sudo udevadm trigger
  info                             device information record, in hex and decoded
  settings                         settings read from the device, decoded
  status                           periodic status record: battery, charging state, phone type
  dpi get                          DPI stages (0 to 5) of the device and of the profile
  dpi set STAGE VALUE              stage DPI as typed into the DPI edit (raised to the mouse's minimum)
  dpi active STAGE                 make a stage the active one
  dpi enable STAGE on|off          switch a stage on or off in the profile
  polling set N                    report-rate index, 0 to 4
  light modes                      the kind's light modes: number, name and whether the window offers it,
                                   and the custom effects of its light configuration
  light get                        light setting of the device
  light set [--mode N] [--brightness N] [--speed N] [--color RRGGBB] [--multicolor 0|1]
            [--direction left|right]
  key list                         the profile's key assignments
  key set INDEX VALUE              VALUE a 24-bit number (0x100100) or a name key (mouse_key_left,
                                   keyboard_key_A, media_play, ...)
  key set INDEX --category NAME [--row N] [--delay N] [--speed N] [--count N] [--direction 0|1]
            [--interval N] [--shots N] [--modifier 0-4] [--usage N] [--macro N] [--mode 0-4]
                                   the function a category of the key set panel gives: default, mouse,
                                   swing, wheel, dpi, fire, keyboard, media, system, macro, gun, gg,
                                   combination, disabled (mode 4 plays the macro --count times)
  key default INDEX                give a key its factory assignment back
  macro list                       the macros of the kind
  macro add                        add macro_N
  macro rename INDEX NAME
  macro delete INDEX               keys playing the macro get their factory assignment back, keys playing
                                   a later macro follow it to its new position
  macro import FILE                add a macro from an event file (.mac)
  macro export INDEX FILE
  macro show INDEX                 the steps of a macro
  macro apply                      write the macro memory and the key table to the device
  macro steps INDEX                the steps of a macro as its event file holds them
  macro insert INDEX POSITION key NAME down|up DELAY
  macro insert INDEX POSITION button left|right|middle|forward|back down|up|click DELAY
  macro insert INDEX POSITION move left|right|up|down DISTANCE DELAY
                                   insert steps before POSITION (0 to the number of steps); NAME is a key
                                   name such as keyboard_key_A
  macro move INDEX FROM TO         move a step
  macro remove INDEX POSITION      remove a step
  macro delay INDEX POSITION DELAY give a step its delay (0 to 65535 ms)
  profile list
  profile add | copy | delete      act on the selected profile (add keeps the selection)
  profile rename NAME
  profile import FILE
  profile export FILE
  profile reset                    the selected profile back to the factory profile; written to the device
                                   when it is present
  profile select INDEX             select a profile (profile apply then writes it to the device)
  profile apply                    write the whole selected profile to the device
  profile restore                  write only the parts of the selected profile the device no longer holds
                                   (the mouse's settings block), as the window does when a device arrives
  profile link APP_ID [INDEX]      the profile (default: the selected one) follows the application APP_ID
                                   when its window comes to the front (X11 WM_CLASS, Wayland app id)
  profile unlink APP_ID            no profile follows the application any more
  profile links                    the applications profiles follow, and the fallback
  profile fallback INDEX|selected  the profile used when no link matches (default: the one selected by hand)
  recoil show GUN [BULLET]         the mouse's recoil table of gun 0 to 3: all 30 bullets or one (1 to 30)
  recoil set GUN BULLET [--x N] [--left|--right] [--y N] [--up|--down] [--delay N]
                                   change one bullet (distances 0 to 255, delay 0 to 65535 ms)
  recoil reset GUN                 the gun's factory table back
  recoil export GUN FILE
  recoil import GUN FILE           replace the gun's table with a file of 30 well-formed bullets
  headset status                   the headset's equaliser, microphone, monitor and voice changer
  headset eq on|off                the equaliser on with the shown bands, or off
  headset eq preset N              equaliser preset 1 to 12, or 13 for the selected custom preset
  headset eq band I VALUE          band 1 to 10 to -20..20 (a custom curve, kept once saved)
  headset eq save [NAME]           save the bands as a new custom preset, or without NAME over the
                                   selected one
  headset eq apply SLOT | headset eq delete SLOT
                                   use or delete custom preset SLOT (0 to 19, as eq list shows them)
  headset eq list                  the custom presets with their bands
  headset mic level N | headset monitor level N
                                   microphone or monitor level, 0 to 100
  headset mic mute on|off | headset monitor mute on|off
  headset voice on|off | headset voice preset N
                                   the voice changer and its preset, 1 to 4
  headset reverb on|off [--environment N] [--room N]
                                   the reverb, in environment 0 (small room) to 7 (arena) and room size
                                   0 to 100; exits 1 when it is only stored (no PipeWire, no plugin)
  headset surround on|off          virtual surround: each side folded into the other; exits 1 when it is
                                   only stored
  headset echo on|off | headset noise on|off
                                   the microphone echo, and noise cancellation
  raw begin | raw end              begin or end an update
  raw info                         read the device information record
  raw read OFFSET LENGTH           read settings memory
  raw write OFFSET HEXBYTES        write settings memory
  raw keytable                     read the key table
  raw online                       the online check
  update check                     ask the update service about the present devices and the program
                                   (the service is $PELAN_UPDATE_URL, else UpdateServiceUrl= of the settings file)
  update download ROW [--to FILE]  download row ROW's installer (0 mouse, 1 keyboard, 2 mousepad, 3 program)
                                   and its signature FILE.minisig into the private download folder, or FILE;
                                   prints the file's path; fails (and removes both) when the file arrives short,
                                   too large, or without a good signature of a trusted key
  serve --rgb [--port N] [--address A] [--allow-remote]
                                   serve the devices to OpenRGB SDK clients until Ctrl+C (port 6742 on
                                   127.0.0.1 by default; another address than loopback needs --allow-remote)
  active-app [--follow]            the application in front as the desktop reports it: backend (X11, wlroots,
                                   KWin), the id of the active application, the ids of the applications with
                                   windows; fails with the reason where the desktop does not tell (--follow: one
                                   line per change, until Ctrl+C)

Exit status: 0 on success, 1 when the command failed, 2 when the command line is wrong; a failure is told in one
line on standard error.
)";

std::optional<std::string> takeValue(const std::vector<std::string>& arguments, size_t& index) {
    if (index + 1 >= arguments.size())
        return std::nullopt;
    return arguments[++index];
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<CliKind> kindFromName(std::string_view name) {
    for (const auto& [text, kind] : kKindNames)
        if (text == name)
            return kind;
    return std::nullopt;
}

std::string_view kindName(CliKind kind) {
    for (const auto& [text, known] : kKindNames)
        if (known == kind)
            return text;
    return "mouse";
}

ParseOutcome parseCommandLine(const std::vector<std::string>& arguments) {
    ParseOutcome outcome;
    Invocation& call = outcome.invocation;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word == "--help" || word == "-h") {
            call.help = true;
        } else if (word == "--version") {
            call.version = true;
        } else if (word == "--json") {
            call.json = true;
        } else if (word == "--root" || word == "--emulate" || word == "--data-dir" || word == "--kind") {
            const std::optional<std::string> value = takeValue(arguments, i);
            if (!value || value->empty()) {
                outcome.error = word + " needs a value";
                return outcome;
            }
            if (word == "--root") {
                call.root = *value;
            } else if (word == "--emulate") {
                call.emulate = *value;
            } else if (word == "--data-dir") {
                call.dataDir = *value;
            } else if (const std::optional<CliKind> kind = kindFromName(*value)) {
                call.kind = *kind;
            } else {
                outcome.error = "unknown kind " + *value + " (mouse, mousepad, headset or keyboard)";
                return outcome;
            }
        } else {
            call.words.push_back(word);
        }
    }
    if (call.words.empty() && !call.help && !call.version)
        outcome.error = "no command given (pelanctl --help lists them)";
    return outcome;
}

std::string_view helpText() {
    return kHelp;
}

std::optional<uint32_t> parseNumberArgument(std::string_view text, uint32_t max) {
    uint32_t value = 0;
    if (!emu::parseNumber(std::string(text), max, value))
        return std::nullopt;
    return value;
}

std::optional<std::vector<uint8_t>> parseHexBytes(std::string_view text) {
    std::vector<uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == ':') {
            if (high >= 0)
                return std::nullopt; // a lone digit before a separator
            continue;
        }
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(uint8_t(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0 || bytes.empty())
        return std::nullopt;
    return bytes;
}

} // namespace pelan::cli
