// The parts of pelanctl that need no device: argument parsing, key values by name and the text form of a result.
#include <cstdlib>
#include <gtest/gtest.h>
#include <json/reader.h>
#include <sstream>

#include "cli/CommandLine.h"
#include "cli/CommandOutput.h"
#include "cli/Commands.h"
#include "cli/KeyValueNames.h"
#include "keys/KeyTables.h"
#include "platform/Paths.h"
#include "support/TempFolder.h"

namespace pelan::cli {
namespace {

TEST(MacroStepCommandTest, InsertMoveRemoveAndDelayChangeTheEventFile) {
    const testing::TempFolder data;
    setDataFolderOverride(data.path());
    setProgramFolderOverride(std::getenv("PELAN_SOURCE_DIR"));
    const auto run = [](std::vector<std::string> words) { return runCommand(words, CliKind::Mouse); };
    ASSERT_TRUE(run({"macro", "add"}).ok());
    ASSERT_TRUE(run({"macro", "insert", "0", "0", "button", "left", "click", "50"}).ok());
    ASSERT_TRUE(run({"macro", "insert", "0", "1", "key", "keyboard_key_RCtrl", "down", "7"}).ok());
    EXPECT_EQ(run({"macro", "insert", "0", "3", "move", "up", "300", "9"}).exitCode, kExitUsage);
    ASSERT_TRUE(run({"macro", "insert", "0", "3", "move", "up", "30", "9"}).ok());
    ASSERT_TRUE(run({"macro", "move", "0", "3", "0"}).ok());
    ASSERT_TRUE(run({"macro", "remove", "0", "3"}).ok());
    const CommandResult delayed = run({"macro", "delay", "0", "1", "65535"});
    ASSERT_TRUE(delayed.ok()) << delayed.error;

    // move up 30, left down, Right Ctrl down; the left up was removed
    const std::string guid = run({"macro", "list"}).document["macros"][0]["guid"].asString();
    std::istringstream file(testing::readText(data.path() + "mouse/" + guid + ".mac"));
    Json::Value saved;
    ASSERT_TRUE(Json::Reader().parse(file, saved));
    const Json::Value& events = saved["Events"];
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0]["Type"].asInt(), 5);
    EXPECT_EQ(events[0]["Button"].asInt(), 30);
    EXPECT_EQ(events[0]["Action"].asString(), "down");
    EXPECT_EQ(events[1]["Delay"].asString(), "65535");
    EXPECT_EQ(events[2]["Type"].asInt(), 9);
    EXPECT_EQ(events[2]["Button"].asInt(), 0x10);
    EXPECT_EQ(run({"macro", "steps", "0"}).document["events"], events);

    EXPECT_EQ(run({"macro", "remove", "0", "3"}).exitCode, kExitFailure);
    EXPECT_EQ(run({"macro", "move", "0", "0", "3"}).exitCode, kExitFailure);
    EXPECT_EQ(run({"macro", "insert", "0", "0", "move", "left", "0", "1"}).exitCode, kExitUsage);
    EXPECT_EQ(run({"macro", "insert", "0", "0", "key", "keyboard_key_Nope", "down", "1"}).exitCode, kExitUsage);
    EXPECT_EQ(run({"macro", "steps", "1"}).exitCode, kExitFailure);
}

TEST(ProfileLinkCommandTest, LinkUnlinkAndFallbackGoIntoTheProfileList) {
    const testing::TempFolder data;
    setDataFolderOverride(data.path());
    setProgramFolderOverride(std::getenv("PELAN_SOURCE_DIR"));
    const auto run = [](std::vector<std::string> words) { return runCommand(words, CliKind::Mouse); };
    ASSERT_TRUE(run({"profile", "add"}).ok());
    ASSERT_TRUE(run({"profile", "link", "firefox"}).ok());
    ASSERT_TRUE(run({"profile", "link", "foot", "0"}).ok());
    const CommandResult fallback = run({"profile", "fallback", "1"});
    ASSERT_TRUE(fallback.ok()) << fallback.error;
    EXPECT_EQ(fallback.document["fallback"], Json::Value(1));
    const Json::Value links = run({"profile", "links"}).document["links"];
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0]["application"].asString(), "foot");
    EXPECT_EQ(links[1]["application"].asString(), "firefox");
    EXPECT_EQ(run({"profile", "list"}).document["profiles"][1]["link"].asString(), "firefox");

    ASSERT_TRUE(run({"profile", "unlink", "FOOT"}).ok());
    EXPECT_EQ(run({"profile", "unlink", "foot"}).exitCode, kExitFailure);
    EXPECT_EQ(run({"profile", "fallback", "selected"}).document["fallback"].asString(), "selected");
    EXPECT_EQ(run({"profile", "link", "x", "9"}).exitCode, kExitFailure);
    EXPECT_EQ(run({"profile", "fallback", "first"}).exitCode, kExitUsage);
    EXPECT_EQ(run({"profile", "link"}).exitCode, kExitUsage);
}

TEST(RecoilCommandTest, SetChangesOneBulletAndResetAndImportKeepTheirRules) {
    const testing::TempFolder data;
    setDataFolderOverride(data.path());
    setProgramFolderOverride(std::getenv("PELAN_SOURCE_DIR"));
    const auto run = [](std::vector<std::string> words) { return runCommand(words, CliKind::Mouse); };

    const CommandResult set = run({"recoil", "set", "0", "1", "--delay", "120", "--left", "--x", "9"});
    ASSERT_TRUE(set.ok()) << set.error;
    EXPECT_EQ(set.document["bullets"][0]["delay"].asInt(), 120);
    EXPECT_EQ(set.document["bullets"][0]["horizontal"].asString(), "left");
    const CommandResult shown = run({"recoil", "show", "0"});
    ASSERT_EQ(shown.document["bullets"].size(), 30u);
    EXPECT_EQ(shown.document["bullets"][0], set.document["bullets"][0]);
    EXPECT_EQ(shown.document["bullets"][1]["delay"].asInt(), 75); // the factory value stays

    EXPECT_EQ(run({"recoil", "set", "0", "31", "--x", "1"}).exitCode, kExitUsage);
    EXPECT_EQ(run({"recoil", "set", "0", "1", "--delay", "65536"}).exitCode, kExitUsage);
    EXPECT_EQ(run({"recoil", "show", "4"}).exitCode, kExitUsage);
    EXPECT_EQ(runCommand({"recoil", "show", "0"}, CliKind::Keyboard).exitCode, kExitFailure);
    EXPECT_EQ(run({"recoil", "import", "1", data.file("absent.Shoot")}).exitCode, kExitFailure);

    ASSERT_TRUE(run({"recoil", "export", "0", data.file("gun0.Shoot")}).ok());
    ASSERT_TRUE(run({"recoil", "reset", "0"}).ok());
    EXPECT_EQ(run({"recoil", "show", "0", "1"}).document["bullets"][0]["delay"].asInt(), 75);
    ASSERT_TRUE(run({"recoil", "import", "3", data.file("gun0.Shoot")}).ok());
    EXPECT_EQ(run({"recoil", "show", "3", "1"}).document["bullets"][0], set.document["bullets"][0]);
    setDataFolderOverride("");
    setProgramFolderOverride("");
}

TEST(CommandLineTest, GlobalOptionsAnywhereAndCommandWordsInOrder) {
    const ParseOutcome parsed =
        parseCommandLine({"light", "--kind", "mousepad", "set", "--json", "--color", "112233", "--root", "/r"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.invocation.kind, CliKind::Mousepad);
    EXPECT_TRUE(parsed.invocation.json);
    EXPECT_EQ(parsed.invocation.root, "/r");
    // Options of a command are not global ones: they stay with its words.
    EXPECT_EQ(parsed.invocation.words, (std::vector<std::string>{"light", "set", "--color", "112233"}));
    EXPECT_FALSE(parsed.invocation.dataDir.has_value());
    EXPECT_FALSE(parsed.invocation.emulate.has_value());
}

TEST(CommandLineTest, UnusableArgumentsSayWhy) {
    EXPECT_NE(parseCommandLine({"--kind", "toaster", "info"}).error.find("toaster"), std::string::npos);
    EXPECT_NE(parseCommandLine({"info", "--data-dir"}).error.find("--data-dir needs a value"), std::string::npos);
    EXPECT_NE(parseCommandLine({"--root", "", "info"}).error, "");
    EXPECT_NE(parseCommandLine({"--json"}).error, "");
    // Help and the version need no command.
    const ParseOutcome help = parseCommandLine({"--help"});
    EXPECT_EQ(help.error, "");
    EXPECT_TRUE(help.invocation.help);
    const ParseOutcome version = parseCommandLine({"--version"});
    EXPECT_EQ(version.error, "");
    EXPECT_TRUE(version.invocation.version);
}

TEST(CommandLineTest, NumbersAndHexBytes) {
    EXPECT_EQ(parseNumberArgument("0x10", 255), 16u);
    EXPECT_EQ(parseNumberArgument("255", 255), 255u);
    EXPECT_EQ(parseNumberArgument("256", 255), std::nullopt);
    EXPECT_EQ(parseNumberArgument("-1", 255), std::nullopt);
    EXPECT_EQ(parseNumberArgument("12abc", 0xFFFF), std::nullopt);
    EXPECT_EQ(parseNumberArgument("", 10), std::nullopt);

    EXPECT_EQ(parseHexBytes("0a0B"), (std::vector<uint8_t>{0x0A, 0x0B}));
    EXPECT_EQ(parseHexBytes("0a 0b:ff"), (std::vector<uint8_t>{0x0A, 0x0B, 0xFF}));
    EXPECT_EQ(parseHexBytes("0a0"), std::nullopt); // half a byte
    EXPECT_EQ(parseHexBytes("0 a"), std::nullopt);
    EXPECT_EQ(parseHexBytes("zz"), std::nullopt);
    EXPECT_EQ(parseHexBytes(""), std::nullopt);
}

TEST(KeyValueNamesTest, NumbersAndNameKeysOfEveryTable) {
    EXPECT_EQ(keyValueFromText("0x100100"), (KeyAssignment{0x10, 0x01, 0x00}));
    EXPECT_EQ(keyValueFromText("1049600"), (KeyAssignment{0x10, 0x04, 0x00}));
    EXPECT_EQ(keyValueFromText("mouse_key_middle"), (KeyAssignment{0x10, 0x04, 0x00}));
    EXPECT_EQ(keyValueFromText("keyboard_key_A"), (KeyAssignment{0x20, 0x00, 0x04}));
    EXPECT_EQ(keyValueFromText("keyboard_key_LShift"), (KeyAssignment{0x20, 0x02, 0x00}));
    EXPECT_EQ(keyValueFromText("mouse_key_DPI_loop"), (KeyAssignment{0x13, 0x03, 0x00}));
    EXPECT_EQ(keyValueFromText("media_play"), (KeyAssignment{0x30, 0xCD, 0x00}));
    EXPECT_EQ(keyValueFromText("system_sleep"), (KeyAssignment{0x40, 0x02, 0x00}));
    EXPECT_EQ(keyValueFromText(gunNameKey(2)), (KeyAssignment{0x72, 0x02, 0x00}));
    EXPECT_EQ(keyValueFromText("0x1000000"), std::nullopt); // wider than 24 bits
    EXPECT_EQ(keyValueFromText("mouse_key_nothing"), std::nullopt);
}

TEST(KeyValueNamesTest, MacroValuesShowTheMacroName) {
    const std::vector<MacroEntry> macros = {{"first", "g1"}, {"second", "g2"}};
    EXPECT_EQ(keyValueDisplayName({0x70, 1, 0}, macros), "second");
    EXPECT_EQ(keyValueDisplayName({0x71, 0, 5}, macros), "first");
    EXPECT_EQ(keyValueDisplayName({0x70, 2, 0}, macros), ""); // no such macro
    EXPECT_EQ(keyValueDisplayName({0x10, 0x01, 0}, macros), "mouse_key_left");
}

TEST(CommandOutputTest, TextFormOfRecordsListsAndNesting) {
    Json::Value doc;
    doc["name"] = "two words";
    doc["flag"] = true;
    doc["bytes"].append(1);
    doc["bytes"].append(2);
    Json::Value record;
    record["index"] = 0;
    record["name"] = "a b";
    doc["items"].append(record);
    doc["empty"] = Json::Value(Json::arrayValue);
    doc["light"]["mode"] = 3;
    EXPECT_EQ(renderText(doc), "bytes: 1 2\n"
                               "empty: (none)\n"
                               "flag: yes\n"
                               "items:\n"
                               "  index=0 name=\"a b\"\n"
                               "light:\n"
                               "  mode: 3\n"
                               "name: two words\n");
    const Json::Value parsed = [&] {
        Json::Value value;
        std::istringstream(renderJson(doc)) >> value;
        return value;
    }();
    EXPECT_EQ(parsed, doc);
}

} // namespace
} // namespace pelan::cli
