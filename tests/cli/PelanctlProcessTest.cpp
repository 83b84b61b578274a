// pelanctl as a process against pelan-emu as a process: what a command writes is read back from the device's
// memory and from the profile files, bad command lines and missing or vanishing devices end with an error.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/value.h>
#include <json/writer.h>
#include <sstream>
#include <tuple>

#include "cli/Processes.h"
#include <set>

namespace pelan::test {
namespace {

using namespace std::chrono_literals;

// Well above the protocol's one-second reply time-out per packet, so only a hang reaches it.
constexpr auto kCommandTimeout = 20s;

Json::Value parseJson(const std::string& text) {
    Json::Value value;
    std::istringstream in(text);
    in >> value;
    return value;
}

Json::Value readJsonFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    Json::Value value;
    in >> value;
    return value;
}

class PelanctlTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pctl.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dataDir = pattern;
        startEmulator("mouse,mousepad");
    }

    void TearDown() override {
        emulator.reset();
        std::filesystem::remove_all(dataDir);
    }

    void startEmulator(const std::string& devices) {
        emulator.reset();
        emulator = std::make_unique<EmulatorProcess>(devices);
        ASSERT_TRUE(emulator->ready());
    }

    ProcessResult run(std::vector<std::string> words) {
        std::vector<std::string> call = {builtProgram("pelanctl"), "--root", emulator->root(), "--data-dir",
                                         dataDir.string()};
        call.insert(call.end(), words.begin(), words.end());
        ProcessResult result = runProcess(call, kCommandTimeout);
        EXPECT_FALSE(result.timedOut) << "pelanctl hung on " << words.front();
        return result;
    }

    // Runs a command that must succeed and returns its JSON document.
    Json::Value runJson(std::vector<std::string> words) {
        words.push_back("--json");
        const ProcessResult result = run(words);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
        return parseJson(result.out);
    }

    void expectFailure(const ProcessResult& result, int exitCode, const std::string& saying) {
        EXPECT_EQ(result.exitCode, exitCode) << result.out << result.err;
        EXPECT_EQ(result.out, "");
        // One line on standard error.
        ASSERT_FALSE(result.err.empty());
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
        EXPECT_EQ(result.err.rfind("pelanctl: ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(saying), std::string::npos) << result.err;
    }

    std::string dump(const std::string& kind, int offset, int length) {
        return emulator->command("dump " + kind + " " + std::to_string(offset) + " " + std::to_string(length));
    }

    std::filesystem::path userFolder(const std::string& name) const { return dataDir / name; }

    // The selected profile file of a device folder.
    Json::Value selectedProfile(const std::string& folder) const {
        const Json::Value list = readJsonFile(userFolder(folder) / "ProfileList.ini");
        const Json::Value& entry = list["profilelist"][list["profileselect"].asUInt()];
        return readJsonFile(userFolder(folder) / (entry["profileUUID"].asString() + ".Json"));
    }

    std::filesystem::path dataDir;
    std::unique_ptr<EmulatorProcess> emulator;
};

TEST_F(PelanctlTest, DevicesListsTheCommandAndNotificationInterfaces) {
    const Json::Value doc = runJson({"devices"});
    std::set<std::string> seen;
    for (const Json::Value& device : doc["devices"]) {
        seen.insert(device["kind"].asString() + "/" + device["role"].asString());
        if (device["kind"] == "mouse" && device["role"] == "command") {
            EXPECT_EQ(device["vendor"], "0x0c45");
            EXPECT_EQ(device["product"], "0x7643");
            EXPECT_EQ(device["interface"], 1);
            EXPECT_EQ(device["collection"], 4);
            EXPECT_EQ(device["usagePage"], "0xff1c");
            EXPECT_EQ(device["version"], "0x0103");
            EXPECT_NE(device["path"].asString().find("&col04#"), std::string::npos);
        }
    }
    EXPECT_EQ(seen, (std::set<std::string>{"mouse/command", "mouse/notification", "mousepad/command",
                                           "mousepad/notification"}));
}

TEST_F(PelanctlTest, AnAddedDeviceFileChangesTheTableTheDevicesAndTheUdevRule) {
    const std::filesystem::path config = dataDir / "config";
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    // The mouse's own IDs as a wireless mouse: the user's file wins over the shipped one for its interfaces.
    const Json::Value added = runJson({"devices", "add", "mouse", "0c45:7643", "--wireless"});
    const std::filesystem::path file = config / "orvane-pelan/devices.d/50-mouse-0c45-7643.device";
    EXPECT_EQ(added["file"], file.string());
    ASSERT_EQ(added["interfaces"].size(), 2u);
    EXPECT_TRUE(added["interfaces"][0]["wireless"].asBool());
    EXPECT_TRUE(std::filesystem::exists(file));

    std::set<std::string> fromUser;
    const Json::Value known = runJson({"devices", "--known"});
    for (const Json::Value& row : known["known"])
        if (row["file"] == file.string())
            fromUser.insert(row["product"].asString() + "/" + row["role"].asString());
    EXPECT_EQ(fromUser, (std::set<std::string>{"0x7643/command", "0x7643/notification"}));
    const Json::Value present = runJson({"devices"});
    for (const Json::Value& device : present["devices"]) {
        if (device["product"] == "0x7643") {
            EXPECT_EQ(device["kind"], "wireless mouse");
        }
    }
    EXPECT_TRUE(runJson({"status"})["wireless"].asBool());

    const ProcessResult rule = run({"udev-rule"});
    EXPECT_EQ(rule.exitCode, 0) << rule.err;
    EXPECT_NE(rule.out.find("ENV{ORVANE_PELAN_INTERFACE}==\"01\", ATTRS{idVendor}==\"0c45\", "
                            "ATTRS{idProduct}==\"7643\", TAG+=\"uaccess\"\n"),
              std::string::npos)
        << rule.out;
    expectFailure(run({"devices", "add", "keyboard", "0c45:7643", "--wireless"}), 2, "only a mouse");
    expectFailure(run({"devices", "add", "trackball", "0c45:7643"}), 2, "unknown kind");
    expectFailure(run({"devices", "add", "mouse", "0c45"}), 2, "VID:PID");
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(PelanctlTest, DpiStageRateAndLightReachTheDeviceAndTheProfileFile) {
    const Json::Value set = runJson({"dpi", "set", "2", "1600"});
    EXPECT_EQ(set["code"], 14);
    EXPECT_EQ(set["dpi"], 1600);
    // Stage 2's code sits at bytes 19 and 20 of profile 0's settings block.
    EXPECT_EQ(dump("mouse", 19, 2), "0e 00");
    EXPECT_EQ(selectedProfile("mouse")["Device"][0]["DPIStages"]["StageDPIs"][2]["StageDPIX"], 14);

    // Below the mouse's minimum a typed DPI is raised to it, as in the DPI edit.
    EXPECT_EQ(runJson({"dpi", "set", "0", "50"})["dpi"], 200);
    EXPECT_EQ(dump("mouse", 15, 2), "00 00");

    runJson({"dpi", "active", "4"});
    EXPECT_EQ(dump("mouse", 23, 1), "04");
    runJson({"polling", "set", "1"});
    EXPECT_EQ(dump("mouse", 14, 1), "01");
    // What was written before is still there: every write sends the whole block from the profile.
    EXPECT_EQ(dump("mouse", 19, 2), "0e 00");

    runJson({"light", "set", "--mode", "2", "--brightness", "3", "--color", "00ff80", "--direction", "left"});
    EXPECT_EQ(dump("mouse", 1, 8), "02 03 02 01 01 00 ff 80");
    const Json::Value light = runJson({"light", "get"});
    EXPECT_EQ(light["color"], "00ff80");
    EXPECT_EQ(light["direction"], "left");
    EXPECT_EQ(selectedProfile("mouse")["Device"][0]["LightInfo"]["Green"], 255);

    const Json::Value dpi = runJson({"dpi", "get"});
    EXPECT_EQ(dpi["activeStage"], 4);
    EXPECT_EQ(dpi["stages"][2]["dpi"], 1600);
    runJson({"dpi", "enable", "3", "off"});
    EXPECT_EQ(runJson({"dpi", "get"})["stages"][3]["enabled"], false);
}

TEST_F(PelanctlTest, ImportedProfileAppliedAndReadBack) {
    Json::Value profile = readJsonFile(builtProgram("DefaultData/mouse.Json"));
    ASSERT_TRUE(profile.isObject());
    Json::Value& node = profile["Device"][0];
    const int codes[6] = {3, 9, 20, 40, 60, 73};
    for (Json::ArrayIndex s = 0; s < 6; ++s)
        node["DPIStages"]["StageDPIs"][s]["StageDPIX"] = codes[s];
    node["DPIStages"]["StageActive"] = 2;
    node["LightInfo"]["SelectItem"] = 4;
    node["LightInfo"]["Red"] = 1;
    node["LightInfo"]["Green"] = 2;
    node["LightInfo"]["Blue"] = 3;
    node["ReportStages"]["StageActive"] = 2;
    profile["profilename"] = "arena";
    const std::filesystem::path file = dataDir / "arena.json";
    std::ofstream(file) << Json::writeString(Json::StreamWriterBuilder(), profile);

    runJson({"profile", "import", file.string()});
    const Json::Value list = runJson({"profile", "select", "1"});
    EXPECT_EQ(list["selected"], 1);
    EXPECT_EQ(list["profiles"][1]["name"], "arena");
    EXPECT_EQ(runJson({"profile", "apply"})["device"], "written");

    EXPECT_EQ(dump("mouse", 1, 1), "04");
    EXPECT_EQ(dump("mouse", 6, 3), "01 02 03");
    EXPECT_EQ(dump("mouse", 14, 1), "02");
    EXPECT_EQ(dump("mouse", 23, 1), "02");
    const Json::Value settings = runJson({"settings"});
    for (Json::ArrayIndex s = 0; s < 6; ++s)
        EXPECT_EQ(settings["stages"][s]["code"], codes[s]) << "stage " << s;
    EXPECT_EQ(settings["reportRate"], 2);

    // Reset takes the factory profile back, keeps the name, and writes it.
    const Json::Value reset = runJson({"profile", "reset"});
    EXPECT_EQ(reset["device"], "written");
    EXPECT_EQ(reset["profiles"][1]["name"], "arena");
    EXPECT_EQ(runJson({"settings"})["stages"][0]["code"], 6);
}

// Values the mouse cannot take are brought to the nearest ones it can, said on standard error, and so written.
TEST_F(PelanctlTest, ImportedProfileOutOfRangeIsClampedAndSaid) {
    Json::Value profile = readJsonFile(builtProgram("DefaultData/mouse.Json"));
    Json::Value& node = profile["Device"][0];
    node["DPIStages"]["StageActive"] = -7;
    node["DPIStages"]["StageDPIs"][0]["StageDPIX"] = -5;
    node["ReportStages"]["StageActive"] = -7;
    node["LightInfo"]["Light"] = 255;
    profile["profilename"] = "wild";
    const std::filesystem::path file = dataDir / "wild.json";
    std::ofstream(file) << Json::writeString(Json::StreamWriterBuilder(), profile);

    const ProcessResult imported = run({"profile", "import", file.string()});
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_NE(imported.err.find("LightInfo.Light, DPIStages.StageActive, DPIStages.StageDPIs[0].StageDPIX and "
                                "ReportStages.StageActive"),
              std::string::npos)
        << imported.err;
    runJson({"profile", "select", "1"});
    EXPECT_EQ(runJson({"profile", "apply"})["device"], "written");
    EXPECT_EQ(dump("mouse", 2, 1), "04");     // brightness level
    EXPECT_EQ(dump("mouse", 14, 1), "00");    // report rate
    EXPECT_EQ(dump("mouse", 15, 2), "00 00"); // stage 1's DPI code
    EXPECT_EQ(dump("mouse", 23, 1), "00");    // active stage
}

// A profile file edited by hand out of range: the command that loads it says which members were changed, writes the
// nearest values to the mouse and stores them, so the next command has nothing to say.
TEST_F(PelanctlTest, LoadedProfileOutOfRangeIsClampedAndSaid) {
    runJson({"profile", "list"});
    const Json::Value list = readJsonFile(userFolder("mouse") / "ProfileList.ini");
    const std::filesystem::path file =
        userFolder("mouse") / (list["profilelist"][0]["profileUUID"].asString() + ".Json");
    Json::Value profile = readJsonFile(file);
    profile["Device"][0]["LightInfo"]["Light"] = 255;
    profile["Device"][0]["ReportStages"]["StageActive"] = -7;
    std::ofstream(file) << Json::writeString(Json::StreamWriterBuilder(), profile);

    const ProcessResult applied = run({"profile", "apply"});
    EXPECT_EQ(applied.exitCode, 0) << applied.err;
    EXPECT_EQ(applied.err, "pelanctl: out of range in " + file.string() +
                               ", changed to the nearest value the device takes: LightInfo.Light and "
                               "ReportStages.StageActive\n");
    EXPECT_EQ(dump("mouse", 2, 1), "04");  // brightness level
    EXPECT_EQ(dump("mouse", 14, 1), "00"); // report rate
    EXPECT_EQ(run({"profile", "apply"}).err, "");
}

// Restore writes the selected profile's settings only when the mouse lost them, as the window does on arrival.
TEST_F(PelanctlTest, ProfileRestoreWritesOnlyWhatTheMouseLost) {
    runJson({"profile", "apply"});
    const std::string stage2 = dump("mouse", 19, 2);
    EXPECT_EQ(runJson({"profile", "restore"})["restored"].size(), 0u);
    runJson({"raw", "write", "19", "2a00"});
    ASSERT_EQ(dump("mouse", 19, 2), "2a 00");
    const Json::Value restored = runJson({"profile", "restore"});
    ASSERT_EQ(restored["restored"].size(), 1u);
    EXPECT_EQ(restored["restored"][0], "settings");
    EXPECT_EQ(dump("mouse", 19, 2), stage2);
}

TEST_F(PelanctlTest, ProfileListOperationsKeepTheirRules) {
    EXPECT_EQ(runJson({"profile", "list"})["profiles"][0]["name"], "profile1");
    // An added profile is the one selected at the next start, so the copy is made of it.
    runJson({"profile", "add"});
    runJson({"profile", "copy"});
    const Json::Value list = runJson({"profile", "list"});
    ASSERT_EQ(list["profiles"].size(), 3u);
    EXPECT_EQ(list["selected"], 1);
    EXPECT_EQ(list["profiles"][1]["name"], "profile2");
    EXPECT_EQ(list["profiles"][2]["name"], "profile2 copy");
    expectFailure(run({"profile", "rename", "PROFILE1"}), 1, "message_text_5");
    expectFailure(run({"profile", "rename", "   "}), 1, "message_text_5_4");
    EXPECT_EQ(runJson({"profile", "rename", "two words"})["profiles"][1]["name"], "two words");
    EXPECT_EQ(runJson({"profile", "rename", "Main"})["profiles"][1]["name"], "Main");
    const std::filesystem::path exported = dataDir / "out.json";
    runJson({"profile", "export", exported.string()});
    EXPECT_EQ(readJsonFile(exported)["profilename"], "Main");
    runJson({"profile", "select", "2"});
    const Json::Value afterDelete = runJson({"profile", "delete"});
    EXPECT_EQ(afterDelete["selected"], 1);
    EXPECT_EQ(afterDelete["profiles"].size(), 2u);
    expectFailure(run({"profile", "select", "7"}), 1, "no such profile");
    expectFailure(run({"profile", "import", (dataDir / "missing.json").string()}), 1, "not a profile");
    // The same refusals and caps as the window.
    expectFailure(run({"profile", "import", builtProgram("DefaultData/keyboard.Json")}), 1, "message_text_30");
    expectFailure(run({"profile", "rename", std::string(65, 'n')}), 1, "message_text_33");
    expectFailure(run({"macro", "import", exported.string()}), 1, "not a macro file");
    const std::filesystem::path far = dataDir / "far.mac";
    std::ofstream(far) << R"({"Events": [{"Type": 4, "Button": 300, "Action": "down", "Delay": "5"}]})";
    expectFailure(run({"macro", "import", far.string()}), 1, "step 1: move distance 300 is outside 1-255");
    EXPECT_EQ(runJson({"profile", "list"})["profiles"].size(), 2u);
}

TEST_F(PelanctlTest, KeyByNameReachesTheKeyTable) {
    // Button 1 (right) sits at key-table position 1 of the emulated mouse.
    runJson({"key", "set", "1", "keyboard_key_A"});
    EXPECT_EQ(emulator->command("keys mouse").substr(9, 8), "20 00 04");
    EXPECT_EQ(runJson({"key", "list"})["keys"][1]["name"], "keyboard_key_A");
    EXPECT_EQ(selectedProfile("mouse")["Device"][0]["KeyList"][1]["Assignment"], 0x200004);
    // The next run finds the button again by the mouse's key layout and writes its default back.
    runJson({"key", "default", "1"});
    EXPECT_EQ(emulator->command("keys mouse").substr(9, 8), "10 02 00");
    EXPECT_EQ(runJson({"key", "list"})["keys"][1]["value"], "0x100200");
    // The layout read from the device is not the assignment table.
    EXPECT_EQ(runJson({"raw", "keytable"})["table"].asString().substr(9, 8), "10 02 00");
    expectFailure(run({"key", "set", "12", "0x100100"}), 1, "no key 12");
}

TEST_F(PelanctlTest, MacroFilesAndTheKeysThatPlayThem) {
    EXPECT_EQ(runJson({"macro", "add"})["name"], "macro_1");
    EXPECT_EQ(runJson({"macro", "add"})["name"], "macro_2");
    expectFailure(run({"macro", "rename", "0", "MACRO_2"}), 1, "message_text_5");
    runJson({"macro", "rename", "0", "burst"});
    Json::Value events;
    for (int e = 0; e < 4; ++e) {
        Json::Value event;
        event["Type"] = 10;
        event["Button"] = 4;
        event["Action"] = e % 2 == 0 ? "down" : "up";
        event["Delay"] = "70000";
        events.append(event);
    }
    Json::Value macroFile;
    macroFile["Events"] = events;
    const std::filesystem::path imported = dataDir / "a.mac";
    std::ofstream(imported) << Json::writeString(Json::StreamWriterBuilder(), macroFile);
    // The first free name: macro_1 was renamed.
    const Json::Value shown = runJson({"macro", "import", imported.string()});
    EXPECT_EQ(shown["name"], "macro_1");
    ASSERT_EQ(shown["events"].size(), 4u);
    EXPECT_EQ(shown["events"][0]["delay"], 65535);
    EXPECT_EQ(shown["events"][0]["name"], "keyboard_key_A");
    EXPECT_EQ(runJson({"macro", "show", "2"})["events"].size(), 4u);
    const std::filesystem::path exported = dataDir / "b.mac";
    runJson({"macro", "export", "2", exported.string()});
    EXPECT_TRUE(std::filesystem::exists(exported));

    // Key 2 plays macro 2 and key 4 macro 0; deleting macro 0 gives key 4 its default back and moves key 2 along.
    runJson({"key", "set", "2", "0x700200"});
    runJson({"key", "set", "4", "0x710003"});
    EXPECT_EQ(emulator->command("keys mouse").substr(18, 26), "70 02 00 10 10 00 71 00 03");
    expectFailure(run({"key", "set", "3", "0x700900"}), 1, "no macro 9");
    // The key set panel's macro page by category: macro 2, fifth play mode, three times.
    runJson({"key", "set", "5", "--category", "macro", "--macro", "2", "--mode", "4", "--count", "3"});
    EXPECT_EQ(emulator->command("keys mouse").substr(45, 8), "71 02 03");
    expectFailure(run({"key", "set", "5", "--category", "macro", "--macro", "5"}), 1, "no macro 5");
    expectFailure(run({"key", "set", "5", "--category", "media", "--row"}), 2, "--row needs a value");
    runJson({"key", "set", "5", "--category", "swing", "--direction", "1", "--count", "5", "--delay", "2"});
    EXPECT_EQ(emulator->command("keys mouse").substr(45, 8), "11 20 85");
    runJson({"macro", "delete", "0"});
    EXPECT_EQ(emulator->command("keys mouse").substr(18, 26), "70 01 00 10 10 00 10 08 00");
    const Json::Value keys = runJson({"key", "list"})["keys"];
    EXPECT_EQ(keys[2]["value"], "0x700100");
    EXPECT_EQ(keys[2]["name"], "macro_1");
    EXPECT_EQ(keys[4]["value"], keys[4]["default"]);
    EXPECT_EQ(runJson({"macro", "list"})["macros"].size(), 2u);
    runJson({"macro", "apply"});
    expectFailure(run({"macro", "show", "5"}), 1, "no macro 5");
}

TEST_F(PelanctlTest, MousepadLightKeepsTheRecordBytesItDoesNotInterpret) {
    // Bytes of the record the program does not interpret are set on the device first.
    ASSERT_EQ(runJson({"--kind", "mousepad", "raw", "write", "9", "a1a2a3"})["written"], 3);
    runJson({"--kind", "mousepad", "light", "set", "--color", "102030", "--speed", "1"});
    const std::string record = dump("mousepad", 0, 12);
    EXPECT_EQ(record.substr(18, 8), "10 20 30") << record;
    EXPECT_EQ(record.substr(27, 8), "a1 a2 a3") << record;
    EXPECT_EQ(runJson({"--kind", "mousepad", "settings"})["light"]["speed"], 1);
    expectFailure(run({"--kind", "mousepad", "dpi", "get"}), 1, "mouse command");
    expectFailure(run({"--kind", "mousepad", "key", "list"}), 1, "no programmable keys");
}

TEST_F(PelanctlTest, EveryKindListsItsLightModesAndTakesAWholeLightSetting) {
    startEmulator("mouse,mousepad,headset");
    // Mode numbers are positions in the kind's list, hidden modes included; "off" is where each kind keeps it.
    for (const auto& [kind, count, off] :
         {std::tuple{"mouse", 9u, 7u}, {"mousepad", 9u, 8u}, {"headset", 9u, 8u}, {"keyboard", 25u, 24u}}) {
        SCOPED_TRACE(kind);
        const Json::Value modes = runJson({"--kind", kind, "light", "modes"})["modes"];
        ASSERT_EQ(modes.size(), count);
        EXPECT_EQ(modes[off]["mode"].asUInt(), off);
        EXPECT_EQ(modes[off]["name"], "Off");
        EXPECT_TRUE(modes[off]["visible"].asBool());
    }
    // No supported keyboard is made, so only the kinds with a device take a setting.
    expectFailure(run({"--kind", "keyboard", "light", "set", "--mode", "3"}), 1, "no keyboard found");
    expectFailure(run({"--kind", "keyboard", "light", "custom", "1", "--lit", "0,5", "--color", "ff0000"}), 1,
                  "no keyboard found");
    expectFailure(run({"light", "custom", "1", "--unlit", "0"}), 1, "the mouse has none");
    expectFailure(run({"--kind", "keyboard", "light", "custom", "1", "--lit", "0,126", "--color", "ff0000"}), 2,
                  "not 0,126");
    for (const char* kind : {"mouse", "mousepad", "headset"}) {
        SCOPED_TRACE(kind);
        const Json::Value set = runJson({"--kind", kind, "light", "set", "--mode", "3", "--brightness", "2", "--speed",
                                         "1", "--color", "405060", "--multicolor", "1", "--direction", "left"});
        EXPECT_EQ(set["direction"], "left");
        // The pad record keeps the device's own effect byte, so the direction is read back only from the mouse.
        const Json::Value got = runJson({"--kind", kind, "light", "get"});
        for (const Json::Value& light : {set, got}) {
            EXPECT_EQ(light["mode"], 3);
            EXPECT_EQ(light["brightness"], 2);
            EXPECT_EQ(light["speed"], 1);
            EXPECT_EQ(light["color"], "405060");
            EXPECT_EQ(light["multicolor"], 1);
        }
        EXPECT_EQ(dump(kind, 1, 2), "03 02");
    }
    expectFailure(run({"light", "modes", "extra"}), 2, "");
}

TEST_F(PelanctlTest, BadCommandLinesAreUsageErrors) {
    const std::vector<std::vector<std::string>> lines = {
        {"frobnicate"},
        {"dpi", "set", "6", "800"},
        {"dpi", "set", "1", "fast"},
        {"dpi", "enable", "1", "maybe"},
        {"polling", "set", "5"},
        {"light", "set"},
        {"light", "set", "--color", "12345"},
        {"light", "set", "--brightness", "9"},
        {"light", "set", "--direction", "up"},
        {"key", "set", "0", "mouse_key_nothing"},
        {"macro", "rename", "x", "name"},
        {"raw", "read", "0", "0"},
        {"raw", "write", "0xffff", "0102"},
        {"--kind", "toaster", "info"},
        {"info", "extra"},
    };
    for (const std::vector<std::string>& words : lines) {
        SCOPED_TRACE(words.front() + (words.size() > 1 ? " " + words[1] : ""));
        expectFailure(run(words), 2, "");
    }
    // Nothing reached the mouse.
    EXPECT_EQ(dump("mouse", 15, 2), "04 00");
}

TEST_F(PelanctlTest, MissingDeviceIsAnError) {
    expectFailure(run({"--kind", "keyboard", "info"}), 1, "no keyboard found");
    ASSERT_EQ(emulator->command("unplug mouse"), "ok");
    expectFailure(run({"settings"}), 1, "no mouse found");
    expectFailure(run({"raw", "online"}), 1, "no mouse found");
    // File commands need no device.
    EXPECT_EQ(runJson({"profile", "list"})["profiles"].size(), 1u);
}

TEST_F(PelanctlTest, DeviceGoingAwayOrFallingSilentEndsWithAnError) {
    ASSERT_EQ(emulator->command("fault mouse unplug 3"), "ok");
    expectFailure(run({"dpi", "set", "0", "800"}), 1, "");
    EXPECT_NE(emulator->command("list").find("mouse=unplugged"), std::string::npos);

    ASSERT_EQ(emulator->command("plug mouse"), "ok");
    ASSERT_EQ(emulator->command("fault mouse drop 1"), "ok");
    expectFailure(run({"raw", "info"}), 1, "no answer");
    // The write is the next packet; the read's second packet is refused.
    ASSERT_EQ(emulator->command("fault mouse refuse-fe 2"), "ok");
    EXPECT_EQ(runJson({"raw", "write", "0", "00"})["written"], 1);
    expectFailure(run({"raw", "read", "0", "100"}), 1, "0xfe");
}

TEST(PelanctlHelpTest, HelpListsEveryCommand) {
    const ProcessResult help = runProcess({builtProgram("pelanctl"), "--help"}, kCommandTimeout);
    ASSERT_EQ(help.exitCode, 0);
    for (const char* command : {"devices",       "info",           "settings",       "status",
                                "dpi get",       "dpi set",        "dpi active",     "dpi enable",
                                "polling set",   "light modes",    "light get",      "light set",
                                "key list",      "key set",        "key default",    "macro list",
                                "macro add",     "macro rename",   "macro delete",   "macro import",
                                "macro export",  "macro show",     "macro apply",    "profile list",
                                "profile add",   "profile rename", "profile import", "profile export",
                                "profile reset", "profile select", "profile apply",  "profile restore",
                                "raw begin",     "raw info",       "raw read",       "raw write",
                                "raw keytable",  "raw online",     "recoil show",    "recoil set",
                                "recoil reset",  "recoil export",  "recoil import",  "--root",
                                "--emulate",     "--data-dir",     "--kind",         "--json"})
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
}

TEST(PelanctlEmulateTest, InProcessDevicesAnswerWithoutAnEmulatorProcess) {
    char pattern[] = "/tmp/pctl.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const ProcessResult result = runProcess({builtProgram("pelanctl"), "--emulate", "mouse,headset", "--data-dir",
                                             pattern, "--kind", "headset", "status", "--json"},
                                            kCommandTimeout);
    std::filesystem::remove_all(pattern);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(parseJson(result.out)["battery"], 100);
    const ProcessResult unknown =
        runProcess({builtProgram("pelanctl"), "--emulate", "toaster", "devices"}, kCommandTimeout);
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("toaster"), std::string::npos);
}

} // namespace
} // namespace pelan::test

namespace pelan::test {
namespace {

// The headset's audio settings with the library's simulated headset: each command is a process of its own, so what
// one sets the next reads back from the library's state file and the profile file.
TEST_F(PelanctlTest, HeadsetAudioSettingsCarryFromOneCommandToTheNext) {
    const std::vector<std::pair<std::string, std::string>> env = {{"XDG_STATE_HOME", (dataDir / "state").string()}};
    auto headset = [&](std::vector<std::string> words) {
        std::vector<std::string> call = {builtProgram("pelanctl"), "--emulate", "headset", "--data-dir",
                                         dataDir.string(),         "--json",    "headset"};
        call.insert(call.end(), words.begin(), words.end());
        return runProcess(call, kCommandTimeout, env);
    };
    ASSERT_EQ(headset({"eq", "band", "2", "-13"}).exitCode, 0);
    ProcessResult saved = headset({"eq", "save", "Low"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_EQ(parseJson(saved.out)["eq_preset"].asInt(), 13);
    EXPECT_EQ(headset({"eq", "save", "LOW"}).exitCode, 1);
    ASSERT_EQ(headset({"mic", "level", "42"}).exitCode, 0);
    ASSERT_EQ(headset({"monitor", "mute", "on"}).exitCode, 0);
    EXPECT_EQ(headset({"mic", "level", "101"}).exitCode, 2);
    EXPECT_EQ(parseJson(headset({"eq", "off"}).out)["eq"].asString(), "off");
    EXPECT_EQ(parseJson(headset({"eq", "on"}).out)["eq"].asString(), "on");

    const Json::Value status = parseJson(headset({"status"}).out);
    EXPECT_EQ(status["mic_level"].asInt(), 42);
    EXPECT_EQ(status["monitor"].asString(), "muted");
    EXPECT_EQ(status["bands"][1].asInt(), -13);
    const Json::Value stored = selectedProfile("HD")["Device"][0];
    EXPECT_EQ(stored["SystemSetStages"]["MicInValue"].asInt(), 42);
    EXPECT_EQ(stored["SystemSetStages"]["MicMoniterSelect"].asInt(), 0);
    EXPECT_EQ(stored["CustomEQNameInfo"][0]["Name"].asString(), "Low");
    EXPECT_EQ(stored["CustomEQHzValueInfo"][0][1]["value"].asInt(), -13);
}

// The microphone effects: switched and read back, and a voice changer that cannot work is an error, not a success.
TEST_F(PelanctlTest, HeadsetMicrophoneEffectsAndAVoiceChangerWithoutItsPlugin) {
    const std::filesystem::path noPlugins = dataDir / "no-plugins";
    std::filesystem::create_directories(noPlugins);
    std::vector<std::pair<std::string, std::string>> env = {{"XDG_STATE_HOME", (dataDir / "state").string()}};
    auto headset = [&](std::vector<std::string> words) {
        std::vector<std::string> call = {builtProgram("pelanctl"), "--emulate", "headset", "--data-dir",
                                         dataDir.string(),         "--json",    "headset"};
        call.insert(call.end(), words.begin(), words.end());
        return runProcess(call, kCommandTimeout, env);
    };
    ASSERT_EQ(headset({"echo", "on"}).exitCode, 0);
    ASSERT_EQ(headset({"noise", "on"}).exitCode, 0);
    const ProcessResult preset = headset({"voice", "preset", "3"});
    ASSERT_EQ(preset.exitCode, 0) << preset.err;
    EXPECT_EQ(headset({"echo", "loud"}).exitCode, 2);
    Json::Value status = parseJson(headset({"status"}).out);
    EXPECT_EQ(status["echo"].asString(), "on");
    EXPECT_EQ(status["noise"].asString(), "on");
    EXPECT_EQ(status["noise_applied"].asString(), "yes");
    EXPECT_EQ(status["voice_preset"].asInt(), 3);

    env.emplace_back("LADSPA_PATH", noPlugins.string());
    const ProcessResult refused = headset({"voice", "on"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("not applied"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("rubberband-ladspa"), std::string::npos) << refused.err;
    status = parseJson(headset({"status"}).out);
    EXPECT_EQ(status["voice_changer_applied"].asString(), "no");
    EXPECT_EQ(status["voice_changer"].asString(), "on"); // stored all the same, and the echo off as ever
    EXPECT_EQ(status["echo"].asString(), "off");
}

// The headset pelan-emu serves in its own process comes with the simulated audio, as --emulate's does.
TEST_F(PelanctlTest, TheHeadsetOfPelanEmuHasItsAudio) {
    startEmulator("headset");
    const std::vector<std::pair<std::string, std::string>> env = {{"XDG_STATE_HOME", (dataDir / "state").string()}};
    const auto headset = [&](std::vector<std::string> words) {
        std::vector<std::string> call = {builtProgram("pelanctl"), "--root", emulator->root(), "--data-dir",
                                         dataDir.string(),         "--json", "headset"};
        call.insert(call.end(), words.begin(), words.end());
        return runProcess(call, kCommandTimeout, env);
    };
    const ProcessResult set = headset({"mic", "level", "37"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(parseJson(headset({"status"}).out)["mic_level"].asInt(), 37);
}

} // namespace
} // namespace pelan::test
