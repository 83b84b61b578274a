#include "profile/JsonFileStore.h"

#include "platform/AtomicFile.h"
#include "platform/Trace.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace pelan {
namespace {

using testing::readText;
using testing::TempFolder;
using testing::writeText;

TEST(JsonFileStore, TimeStampNamePadsEveryFieldButTheYear) {
    EXPECT_EQ(JsonFileStore::formatTimeStampName(2024, 3, 3, 9, 5, 7, 42), "2024_03_03_09_05_07_042");
    EXPECT_EQ(JsonFileStore::formatTimeStampName(987, 12, 31, 23, 59, 59, 999), "987_12_31_23_59_59_999");

    ::setenv("TZ", "UTC", 1);
    ::tzset();
    std::tm when{};
    when.tm_year = 2024 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 3;
    when.tm_hour = 9;
    when.tm_min = 5;
    when.tm_sec = 7;
    auto now = std::chrono::system_clock::from_time_t(::timegm(&when)) + std::chrono::milliseconds(42);
    EXPECT_EQ(JsonFileStore::makeTimeStampName(now), "2024_03_03_09_05_07_042");
}

TEST(JsonFileStore, MissingEmptyOrBrokenFilesLoadAsNull) {
    TempFolder folder;
    std::string missing = folder.file("missing.Json");
    EXPECT_TRUE(JsonFileStore::loadJsonFile(missing).isNull());
    EXPECT_FALSE(std::filesystem::exists(missing));

    for (const char* text : {"", "   \n\t ", "{\"a\": ", "{\"a\" 1}", "\xff\xfe\x00garbage"}) {
        writeText(folder.file("bad.Json"), text);
        EXPECT_TRUE(JsonFileStore::loadJsonFile(folder.file("bad.Json")).isNull()) << text;
    }
    EXPECT_TRUE(JsonFileStore::loadJsonFile(folder.path()).isNull()) << "a folder is not a file";
}

TEST(JsonFileStore, TextAfterANulByteIsIgnored) {
    TempFolder folder;
    writeText(folder.file("nul.Json"), std::string("{\"a\": 1}\0{broken", 17));
    EXPECT_EQ(JsonFileStore::readJsonText(folder.file("nul.Json")), "{\"a\": 1}");
    EXPECT_EQ(JsonFileStore::loadJsonFile(folder.file("nul.Json"))["a"].asInt(), 1);
}

TEST(JsonFileStore, DeepNestingLoadsAsNullInsteadOfCrashing) {
    TempFolder folder;
    writeText(folder.file("deep.Json"), std::string(100000, '[') + std::string(100000, ']'));
    EXPECT_TRUE(JsonFileStore::loadJsonFile(folder.file("deep.Json")).isNull());
}

TEST(JsonFileStore, WriteThenLoadRoundTripsAndEndsWithOneExtraLineFeed) {
    TempFolder folder;
    Json::Value value;
    value["profilename"] = "Gaming";
    value["Device"][0]["LightInfo"]["Red"] = 255;
    value["Device"][0]["KeyList"][1]["Assignment"] = 65793;

    ASSERT_EQ(JsonFileStore::writeJsonFile(folder.file("p.Json"), value), 0);
    std::string text = readText(folder.file("p.Json"));
    EXPECT_EQ(text, JsonFileStore::styledText(value));
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
    EXPECT_EQ(text.find('\r'), std::string::npos);
    // Compared as text: JsonCpp's equality tells a sparse array from its dense reloaded form.
    EXPECT_EQ(JsonFileStore::styledText(JsonFileStore::loadJsonFile(folder.file("p.Json"))), text);
}

TEST(JsonFileStore, CommentsSurviveALoadAndSave) {
    TempFolder folder;
    writeText(folder.file("c.Json"), "{\n   // the stage the mouse starts in\n   \"StageActive\" : 2\n}\n");
    Json::Value value = JsonFileStore::loadJsonFile(folder.file("c.Json"));
    EXPECT_EQ(value["StageActive"].asInt(), 2);
    ASSERT_EQ(JsonFileStore::writeJsonFile(folder.file("c.Json"), value), 0);
    EXPECT_NE(readText(folder.file("c.Json")).find("// the stage the mouse starts in"), std::string::npos);
}

TEST(JsonFileStore, OneSizeCapForReadingAndWriting) {
    TempFolder folder;
    const std::string path = folder.file("p.Json");
    ASSERT_EQ(JsonFileStore::writeJsonFile(path, Json::Value("kept")), 0);
    // A value whose text is just over the cap is refused, so nothing is stored that could not be read back.
    EXPECT_EQ(JsonFileStore::writeJsonFile(path, Json::Value(std::string(kMaxJsonFileSize, 'n'))), 1);
    EXPECT_EQ(JsonFileStore::loadJsonFile(path), Json::Value("kept"));
    // The largest text the writer accepts reads back.
    const std::string largest(kMaxJsonFileSize - 4, 'n');
    ASSERT_EQ(JsonFileStore::writeJsonFile(path, Json::Value(largest)), 0);
    EXPECT_EQ(JsonFileStore::loadJsonFile(path).asString().size(), largest.size());
    writeText(path, "\"" + std::string(kMaxJsonFileSize, 'n') + "\"");
    EXPECT_TRUE(JsonFileStore::loadJsonFile(path).isNull());
}

TEST(JsonFileStore, WriteIntoAMissingFolderFailsAndSaysSo) {
    TempFolder folder;
    std::vector<std::string> lines;
    TraceSink previous = setTraceSink([&](std::string_view line) { lines.emplace_back(line); });
    EXPECT_EQ(JsonFileStore::writeJsonFile(folder.file("no/such/folder/p.Json"), Json::Value(1)), 1);
    JsonFileStore::readJsonText(folder.file("absent.Json"));
    setTraceSink(previous);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "wirtejsonFile 错误吗：：2\n");
    EXPECT_EQ(lines[1], "readjsonFile 错误吗：：2\n");
}

TEST(JsonFileStore, ReplacingAFileKeepsItsPermissionsAndLeavesNoTemporaryFile) {
    TempFolder folder;
    std::string path = folder.file("p.Json");
    writeText(path, "{}");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    ASSERT_EQ(JsonFileStore::writeJsonFile(path, Json::Value(7)), 0);
    EXPECT_EQ(std::filesystem::status(path).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(JsonFileStore, ASaveCutShortBeforeTheRenameLeavesThePreviousFile) {
    TempFolder folder;
    std::string path = folder.file("p.Json");
    Json::Value previous;
    previous["profilename"] = "kept";
    ASSERT_EQ(JsonFileStore::writeJsonFile(path, previous), 0);

    // A crash between writing the new contents and the rename.
    EXPECT_EXIT(
        {
            setBeforeRenameHook([](const std::string&) -> bool { std::_Exit(3); });
            JsonFileStore::writeJsonFile(path, Json::Value("new"));
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(JsonFileStore::loadJsonFile(path), previous);

    // A failure at the same point is reported and cleans up after itself.
    setBeforeRenameHook([](const std::string&) { return false; });
    EXPECT_EQ(JsonFileStore::writeJsonFile(path, Json::Value("new")), 1);
    setBeforeRenameHook({});
    EXPECT_EQ(JsonFileStore::loadJsonFile(path), previous);
}

} // namespace
} // namespace pelan
