#include "platform/SystemSettingsBackends.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace pelan {
namespace {

namespace fs = std::filesystem;

class StateFileTest : public ::testing::Test {
protected:
    void writeText(const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        testing::writeText(path, text);
    }
    std::string readText() { return testing::readText(path); }

    testing::TempFolder folder;
    std::string path = folder.file("config folder/system-settings.json");
};

TEST_F(StateFileTest, EveryValueReadsBackFromANewInstanceAndTheFolderIsCreated) {
    {
        StateFileSystemSettings settings(path);
        EXPECT_EQ(settings.pointerSpeed(), std::nullopt);
        EXPECT_TRUE(settings.setPointerSpeed(14));
        EXPECT_TRUE(settings.setPointerPrecision(0));
        EXPECT_TRUE(settings.setWheelLines(255));
        EXPECT_TRUE(settings.setDoubleClickTime(600));
        EXPECT_TRUE(settings.setKeyboardSpeed(31));
        EXPECT_TRUE(settings.setKeyboardDelay(2));
        EXPECT_TRUE(settings.setPointerSpeed(3)); // a later value replaces the earlier one
    }
    StateFileSystemSettings reopened(path);
    EXPECT_EQ(reopened.pointerSpeed(), 3);
    EXPECT_EQ(reopened.pointerPrecision(), 0);
    EXPECT_EQ(reopened.wheelLines(), 255);
    EXPECT_EQ(reopened.doubleClickTime(), 600);
    EXPECT_EQ(reopened.keyboardSpeed(), 31);
    EXPECT_EQ(reopened.keyboardDelay(), 2);
    EXPECT_NE(readText().find("\"DoubleClickTime\" : 600"), std::string::npos);
    // Only the file itself: the temporary file of the atomic write is gone.
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(path).parent_path()), fs::directory_iterator()), 1);
}

TEST_F(StateFileTest, HostileContentsReadAsNoValueAndAreReplacedByTheNextChange) {
    const std::vector<std::string> hostile = {
        "",
        "not json",
        "[1, 2, 3]",
        "\"PointerSpeed\"",
        "{\"PointerSpeed\": 5",                        // cut short
        "{\"PointerSpeed\": 5} trailing",              // rubbish after the object
        std::string("{\"PointerSpeed\"\0: 5}", 20),    // a NUL byte
        std::string(200, '[') + std::string(200, ']'), // nesting far deeper than a settings file has
    };
    for (const std::string& text : hostile) {
        SCOPED_TRACE(text.substr(0, 40));
        writeText(text);
        StateFileSystemSettings settings(path);
        EXPECT_EQ(settings.pointerSpeed(), std::nullopt);
        EXPECT_TRUE(settings.setKeyboardDelay(1));
        EXPECT_EQ(settings.keyboardDelay(), 1);
        EXPECT_EQ(settings.pointerSpeed(), std::nullopt);
    }
}

TEST_F(StateFileTest, MembersOfTheWrongTypeOrOutOfRangeAreIgnoredOthersKept) {
    writeText(R"({"PointerSpeed": "12", "PointerPrecision": 2, "WheelLines": 1e300, "DoubleClickTime": 99,
                  "KeyboardSpeed": 4.5, "KeyboardDelay": 3, "Unknown": {"deep": [1]}})");
    StateFileSystemSettings settings(path);
    EXPECT_EQ(settings.pointerSpeed(), std::nullopt);
    EXPECT_EQ(settings.pointerPrecision(), std::nullopt);
    EXPECT_EQ(settings.wheelLines(), std::nullopt);
    EXPECT_EQ(settings.doubleClickTime(), std::nullopt);
    EXPECT_EQ(settings.keyboardSpeed(), std::nullopt);
    EXPECT_EQ(settings.keyboardDelay(), 3);
    settings.setWheelLines(4);
    EXPECT_EQ(settings.keyboardDelay(), 3); // a change keeps the good values already stored
}

TEST_F(StateFileTest, AnOversizedFileOrAFolderInItsPlaceIsNotRead) {
    writeText("{\"PointerSpeed\": 5" + std::string(100 * 1024, ' ') + "}");
    EXPECT_EQ(StateFileSystemSettings(path).pointerSpeed(), std::nullopt);

    fs::remove(path);
    fs::create_directories(path);
    StateFileSystemSettings settings(path);
    EXPECT_EQ(settings.pointerSpeed(), std::nullopt);
    EXPECT_FALSE(settings.setPointerSpeed(5)); // cannot replace a folder: reported, nothing lost
    EXPECT_TRUE(fs::is_directory(path));
}

TEST_F(StateFileTest, AFailedWriteKeepsThePreviousFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    StateFileSystemSettings settings(path);
    ASSERT_TRUE(settings.setPointerSpeed(8));
    fs::permissions(fs::path(path).parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(settings.setPointerSpeed(9));
    fs::permissions(fs::path(path).parent_path(), fs::perms::owner_all);
    EXPECT_EQ(settings.pointerSpeed(), 8);
}

TEST(StateFilePath, FollowsTheConfigurationFolderOfTheSession) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    std::string savedValue = saved != nullptr ? saved : "";
    ::setenv("XDG_CONFIG_HOME", "/config/here", 1);
    EXPECT_EQ(defaultSystemSettingsStatePath(), "/config/here/ORVANE Pelan Gaming Mouse/system-settings.json");
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    ::setenv("HOME", ::getenv("HOME") != nullptr ? ::getenv("HOME") : "/home/x", 1);
    EXPECT_EQ(defaultSystemSettingsStatePath(),
              std::string(::getenv("HOME")) + "/.config/ORVANE Pelan Gaming Mouse/system-settings.json");
    if (saved != nullptr)
        ::setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace pelan
