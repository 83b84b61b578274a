#include "macro/MacroFiles.h"
#include "macro/MacroJson.h"
#include "macro/MacroTestFolder.h"

#include "platform/AtomicFile.h"
#include "profile/JsonFileStore.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pelan {
namespace {

using test::MacroTestFolder;

// Hands out the given stamps in turn, then repeats the last: two macros made within one millisecond.
MacroLibrary::StampSource stampsOf(std::vector<std::string> stamps) {
    auto next = std::make_shared<size_t>(0);
    return [stamps, next] { return stamps[std::min(stamps.size() - 1, (*next)++)]; };
}

std::string listText(std::initializer_list<std::pair<const char*, const char*>> macros) {
    Json::Value root(Json::objectValue);
    root["MacroInfo"] = Json::Value(Json::arrayValue);
    for (const auto& [name, guid] : macros) {
        Json::Value element;
        element["MacroName"] = name;
        element["Guid"] = guid;
        root["MacroInfo"].append(element);
    }
    return JsonFileStore::styledText(root);
}

class MacroFilesTest : public ::testing::Test {
protected:
    MacroLibrary library(std::vector<std::string> stamps = {"2024_03_05_14_07_09_042"}) {
        MacroLibrary result(folder.path(), "macro.config", stampsOf(std::move(stamps)));
        result.load();
        return result;
    }
    Json::Value listFile() const { return JsonFileStore::loadJsonFile(folder.path() + "macro.config"); }

    MacroTestFolder folder;
};

TEST_F(MacroFilesTest, NewMacroTakesTheFirstFreeNumberIgnoringCase) {
    EXPECT_EQ(nextMacroName({{"macro_1", "a"}, {"macro_3", "b"}}), "macro_2");
    EXPECT_EQ(nextMacroName({{"MACRO_1", "a"}}), "macro_2");
    EXPECT_EQ(nextMacroName({}), "macro_1");
    EXPECT_EQ(nextMacroName({{"macro_2", "a"}, {"Macro_1", "b"}}), "macro_3");
}

TEST_F(MacroFilesTest, AddWritesTheListAndSelectsTheNewMacroWithoutAnEventFile) {
    folder.write("macro.config", listText({{"macro_1", "g1"}, {"macro_3", "g3"}}));
    MacroLibrary macros = library();
    EXPECT_EQ(macros.add(), "macro_2");
    EXPECT_EQ(macros.selected(), 2u);
    const Json::Value info = listFile()["MacroInfo"];
    ASSERT_EQ(info.size(), 3u);
    EXPECT_EQ(info[2]["MacroName"].asString(), "macro_2");
    EXPECT_EQ(info[2]["Guid"].asString(), "2024_03_05_14_07_09_042");
    EXPECT_FALSE(folder.exists("2024_03_05_14_07_09_042.mac"));
}

TEST_F(MacroFilesTest, MacrosMadeInTheSameMillisecondGetTheirOwnEventFiles) {
    MacroLibrary macros = library({"2024_01_01_00_00_00_000"});
    macros.add();
    macros.add();
    ASSERT_EQ(macros.entries().size(), 2u);
    EXPECT_NE(macros.entries()[0].guid, macros.entries()[1].guid);
    // A stamp whose file already lies in the folder is not taken either.
    folder.write("2024_01_01_00_00_00_000_2.mac", "keep");
    macros.add();
    EXPECT_NE(macros.entries()[2].guid, "2024_01_01_00_00_00_000_2");
    EXPECT_EQ(folder.read("2024_01_01_00_00_00_000_2.mac"), "keep");
}

TEST_F(MacroFilesTest, ListHoldsAtMostFiftyMacros) {
    MacroLibrary macros = library();
    for (int i = 0; i < 50; ++i)
        ASSERT_FALSE(macros.add().empty()) << i;
    EXPECT_EQ(macros.add(), "");
    EXPECT_EQ(listFile()["MacroInfo"].size(), 50u);
    folder.write("source.mac", "{}");
    EXPECT_EQ(macros.importFile(folder.path() + "source.mac"), MacroImportResult::ListFull);
    EXPECT_EQ(macros.entries().size(), 50u);
}

TEST_F(MacroFilesTest, RenameRefusesEmptyAndUsedNamesItsOwnIncluded) {
    folder.write("macro.config", listText({{"macro_1", "g1"}, {"Fire", "g2"}}));
    MacroLibrary macros = library();
    EXPECT_EQ(macros.rename("x"), MacroRenameResult::NoSelection);
    macros.select(0);
    EXPECT_EQ(macros.rename("macro_1"), MacroRenameResult::NameInUse);
    EXPECT_EQ(macros.rename("FIRE"), MacroRenameResult::NameInUse);
    EXPECT_EQ(macros.rename(""), MacroRenameResult::EmptyName);
    EXPECT_EQ(macros.rename(std::string(65, 'n')), MacroRenameResult::NameTooLong);
    EXPECT_EQ(macroRenameMessage(MacroRenameResult::NameTooLong), "message_text_33");
    EXPECT_EQ(macroRenameMessage(MacroRenameResult::EmptyName), "message_text_5_1");
    EXPECT_EQ(macroRenameMessage(MacroRenameResult::NameInUse), "message_text_5");
    EXPECT_EQ(listFile()["MacroInfo"][0]["MacroName"].asString(), "macro_1");

    EXPECT_EQ(macros.rename("Jump"), MacroRenameResult::Renamed);
    EXPECT_EQ(macros.entries()[0].name, "Jump");
    EXPECT_EQ(listFile()["MacroInfo"][0]["MacroName"].asString(), "Jump");
    EXPECT_EQ(listFile()["MacroInfo"][0]["Guid"].asString(), "g1");
}

TEST_F(MacroFilesTest, FailedListWriteLeavesTheListAsItWas) {
    folder.write("macro.config", listText({{"macro_1", "g1"}}));
    folder.write("g1.mac", "{}");
    MacroLibrary macros = library();
    macros.select(0);
    setBeforeRenameHook([](const std::string&) { return false; }); // every file write fails
    EXPECT_EQ(macros.add(), "");
    EXPECT_EQ(macros.rename("Jump"), MacroRenameResult::WriteFailed);
    EXPECT_FALSE(macros.remove(0));
    EXPECT_FALSE(macros.saveEvents({{"{}", 1}}));
    setBeforeRenameHook({});
    EXPECT_EQ(macros.entries(), (std::vector<MacroEntry>{{"macro_1", "g1"}}));
    EXPECT_TRUE(folder.exists("g1.mac"));
    EXPECT_EQ(listFile()["MacroInfo"].size(), 1u);
}

TEST_F(MacroFilesTest, DeleteRemovesTheEventFileAndSelectsTheFirstMacro) {
    folder.write("macro.config", listText({{"a", "g1"}, {"b", "g2"}, {"c", "g3"}}));
    folder.write("g2.mac", "{}");
    folder.write("g3.mac", "{}");
    MacroLibrary macros = library();
    macros.select(2);
    ASSERT_TRUE(macros.remove(1));
    EXPECT_FALSE(folder.exists("g2.mac"));
    EXPECT_TRUE(folder.exists("g3.mac"));
    EXPECT_EQ(macros.selected(), 0u);
    const Json::Value info = listFile()["MacroInfo"];
    ASSERT_EQ(info.size(), 2u);
    EXPECT_EQ(info[1]["Guid"].asString(), "g3");

    ASSERT_TRUE(macros.remove(0));
    ASSERT_TRUE(macros.remove(0));
    EXPECT_FALSE(macros.selected());
    EXPECT_TRUE(listFile()["MacroInfo"].isArray());
    EXPECT_EQ(listFile()["MacroInfo"].size(), 0u);
    EXPECT_FALSE(macros.remove(0));
}

TEST_F(MacroFilesTest, DeleteKeepsAnEventFileAnotherMacroStillUses) {
    folder.write("macro.config", listText({{"a", "same"}, {"b", "same"}}));
    folder.write("same.mac", "{}");
    MacroLibrary macros = library();
    ASSERT_TRUE(macros.remove(0));
    EXPECT_TRUE(folder.exists("same.mac"));
}

TEST_F(MacroFilesTest, EventsLoadWithClampedDelaysAndSaveAsStringsWithVersion64) {
    folder.write("macro.config", listText({{"macro_1", "g1"}}));
    folder.write("g1.mac", R"({"MacroName":"old","Guid":"g1","Version":3,"Events":[
        {"Type":10,"Button":4,"Action":"down","Delay":"70000"},
        {"Type":10,"Button":4,"Action":"up","Delay":"abc"},
        7,
        {"Type":1,"Button":1,"Action":"down","Delay":"12"}]})");
    MacroLibrary macros = library();
    macros.select(0);
    std::vector<MacroEventRow> rows = macros.loadEvents();
    ASSERT_EQ(rows.size(), 3u); // the element that is not an object is no step
    EXPECT_EQ(rows[0].delay, 65535);
    EXPECT_EQ(rows[1].delay, 0);
    EXPECT_EQ(rows[2].delay, 12);

    ASSERT_TRUE(macros.saveEvents(rows));
    const Json::Value saved = JsonFileStore::loadJsonFile(folder.path() + "g1.mac");
    EXPECT_EQ(saved["Version"], 64);
    EXPECT_EQ(saved["MacroName"].asString(), "macro_1");
    EXPECT_EQ(saved["Guid"].asString(), "g1");
    ASSERT_EQ(saved["Events"].size(), 3u);
    EXPECT_EQ(saved["Events"][0]["Delay"], "65535");
    EXPECT_EQ(saved["Events"][1]["Delay"], "0");
    EXPECT_EQ(saved["Events"][2]["Type"], 1);
}

TEST_F(MacroFilesTest, SaveStopsAtTheFirstEmptyRowAndLeavesOutBrokenRowsWithoutHoles) {
    folder.write("macro.config", listText({{"m", "g1"}}));
    MacroLibrary macros = library();
    macros.select(0);
    const std::string event = R"({"Type":10,"Button":5,"Action":"down","Delay":"1"})";
    ASSERT_TRUE(macros.saveEvents({{event, 10}, {"{broken", 20}, {"[1,2]", 25}, {event, 30}, {"", 0}, {event, 40}}));
    const Json::Value events = JsonFileStore::loadJsonFile(folder.path() + "g1.mac")["Events"];
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]["Delay"], "10");
    EXPECT_EQ(events[1]["Delay"], "30");
    EXPECT_TRUE(events[1].isObject());
}

TEST_F(MacroFilesTest, HostileListFilesGiveClearResults) {
    const char* lists[] = {
        "",
        "not json",
        "[1, 2, 3]",
        R"({"MacroInfo": {"MacroName": "x"}})",
        R"({"MacroInfo": "text"})",
        R"({"MacroInfo": [5, null, {"MacroName": 7, "Guid": ["g"]}]})",
    };
    for (const char* text : lists) {
        SCOPED_TRACE(text);
        folder.write("macro.config", text);
        MacroLibrary macros = library();
        for (const MacroEntry& entry : macros.entries())
            EXPECT_EQ(entry, (MacroEntry{"", ""}));
        macros.select(0);
        EXPECT_TRUE(macros.loadEvents().empty());
        EXPECT_FALSE(macros.saveEvents({{"{}", 1}}));
        // Adding still works and leaves a well-formed list, each element in its position.
        const size_t before = macros.entries().size();
        ASSERT_FALSE(macros.add().empty());
        const Json::Value info = listFile()["MacroInfo"];
        ASSERT_EQ(info.size(), before + 1);
        EXPECT_TRUE(info[static_cast<Json::ArrayIndex>(before)]["Guid"].isString());
    }
}

TEST_F(MacroFilesTest, GuidsThatLeaveTheFolderAreNeverOpened) {
    // A file one level up that a crafted stem would reach.
    std::ofstream(folder.parent() + "/outside.mac") << R"({"Events":[{"Type":1,"Button":1,"Action":"down"}]})";
    folder.write("macro.config", listText({{"a", "../outside"}, {"b", "sub/x"}, {"c", "..\\outside"}}));
    MacroLibrary macros = library();
    for (size_t i = 0; i < 3; ++i) {
        macros.select(i);
        EXPECT_TRUE(macros.loadEvents().empty());
        EXPECT_FALSE(macros.saveEvents({{R"({"Type":1})", 1}}));
        EXPECT_FALSE(macros.exportSelected(folder.path() + "copy.mac"));
    }
    EXPECT_TRUE(loadMacroEvents(folder.path(), "../outside").empty());
    ASSERT_TRUE(macros.remove(0));
    EXPECT_TRUE(std::filesystem::exists(folder.parent() + "/outside.mac"));
    EXPECT_FALSE(isSafeMacroGuid(""));
    EXPECT_TRUE(isSafeMacroGuid("2024_03_05_14_07_09_042"));
}

TEST_F(MacroFilesTest, ImportCopiesBytesToANewMacroAndExportCopiesThemBack) {
    folder.write("macro.config", listText({{"macro_1", "2024_01_01_00_00_00_000"}}));
    folder.write("2024_01_01_00_00_00_000.mac", "original");
    const std::string bytes = "{\"MacroName\":\"theirs\",\"Guid\":\"../x\",\"Events\":[]}\n\x01 tail";
    std::ofstream(folder.parent() + "/import.mac", std::ios::binary) << bytes;

    // The clock gives the stamp of the existing macro: its file must survive.
    MacroLibrary macros = library({"2024_01_01_00_00_00_000"});
    ASSERT_EQ(macros.importFile(folder.parent() + "/import.mac"), MacroImportResult::Imported);
    EXPECT_EQ(folder.read("2024_01_01_00_00_00_000.mac"), "original");
    ASSERT_EQ(macros.entries().size(), 2u);
    EXPECT_EQ(macros.selected(), 1u);
    EXPECT_EQ(macros.entries()[1].name, "macro_2");
    EXPECT_EQ(folder.read(macros.entries()[1].guid + ".mac"), bytes);

    ASSERT_TRUE(macros.exportSelected(folder.parent() + "/export.mac"));
    EXPECT_EQ(MacroTestFolder::readFile(folder.parent() + "/export.mac"), bytes);

    EXPECT_EQ(macros.importFile(folder.parent() + "/missing.mac"), MacroImportResult::SourceUnreadable);
    EXPECT_EQ(macros.entries().size(), 2u);
    macros.select(std::nullopt);
    EXPECT_FALSE(macros.exportSelected(folder.parent() + "/none.mac"));
    EXPECT_FALSE(std::filesystem::exists(folder.parent() + "/none.mac"));
}

TEST_F(MacroFilesTest, ImportTakesOnlyAnEventFileAndListNamesKeepToTheNameCap) {
    MacroLibrary macros = library();
    const std::string source = folder.parent() + "/import.mac";
    for (const char* text :
         {"", "[]", "{}", R"({"Events": {}})", R"({"Events": [1]})", R"({"Events": [{"Type": 1, "Button": 1}]})",
          R"({"Events": [{"Type": "1", "Button": 1, "Action": "down"}]})",
          R"({"Events": [{"Type": 1, "Button": 1, "Action": "left"}]})",
          R"({"Events": [{"Type": 1, "Button": 1, "Action": "up", "Delay": "-5"}]})"}) {
        std::ofstream(source, std::ios::binary) << text;
        EXPECT_EQ(macros.importFile(source), MacroImportResult::NotAMacro) << text;
    }
    EXPECT_TRUE(macros.entries().empty());
    EXPECT_FALSE(folder.exists("macro.config"));

    const std::string good = R"({"Events": [{"Type": 10, "Button": 4, "Action": "down", "Delay": "20"},
                                            {"Type": 10, "Button": 4, "Action": "up", "Delay": 7}]})";
    std::ofstream(source, std::ios::binary) << good;
    ASSERT_EQ(macros.importFile(source), MacroImportResult::Imported);
    EXPECT_EQ(folder.read(macros.entries()[0].guid + ".mac"), good);

    const std::string longName = std::string(63, 'n') + "\u00e9\u00e9";
    folder.write("macro.config", R"({"MacroInfo": [{"MacroName": ")" + longName + R"(", "Guid": "g1"}]})");
    EXPECT_EQ(loadMacroList(folder.path(), "macro.config").at(0).name, std::string(63, 'n') + "\xc3\xa9");
}

// Steps the device would play as something else (a move of 300 plays as 44) keep the whole file out, saying which.
TEST_F(MacroFilesTest, ImportRefusesStepsTheDeviceCannotPlay) {
    MacroLibrary macros = library();
    const std::string source = folder.parent() + "/import.mac";
    const auto step = [](int type, int button) {
        return R"({"Type": )" + std::to_string(type) + R"(, "Button": )" + std::to_string(button) +
               R"(, "Action": "down", "Delay": "70000"})";
    };
    const std::string fine = step(1, 16) + "," + step(4, 255) + "," + step(5, 1) + "," + step(9, 0x80) + "," +
                             step(10, 4) + "," + step(2, 0);
    for (const auto& [bad, saying] :
         std::vector<std::pair<std::string, std::string>>{{step(4, 300), "step 7: move distance 300"},
                                                          {step(5, 0), "step 7: move distance 0"},
                                                          {step(1, 3), "step 7: mouse button 3"},
                                                          {step(9, 3), "step 7: modifier 3"},
                                                          {step(10, 0x3FF), "step 7: key code 1023"},
                                                          {step(7, 1), "step 7: step kind 7"}}) {
        std::ofstream(source, std::ios::binary) << R"({"Events": [)" + fine + "," + bad + "]}";
        EXPECT_EQ(macros.importFile(source), MacroImportResult::OutOfRange) << bad;
        EXPECT_EQ(macros.importProblem().rfind(saying, 0), 0u) << macros.importProblem();
    }
    EXPECT_TRUE(macros.entries().empty());
    std::ofstream(source, std::ios::binary) << R"({"Events": [)" + fine + "]}";
    EXPECT_EQ(macros.importFile(source), MacroImportResult::Imported);
    EXPECT_EQ(macros.importProblem(), "");
}

TEST(MacroListFiles, DeviceKindsKeepTheirOwnListFile) {
    EXPECT_EQ(macroListFileFor("mouse"), "macro.config");
    EXPECT_EQ(macroListFileFor("keyboard"), "macro.config");
    EXPECT_EQ(macroListFileFor("MousePad"), "tavix_macro.config");
    EXPECT_EQ(macroListFileFor("HD"), "tavix_macro.config");
}

} // namespace
} // namespace pelan
