// The autostart entry: where it goes, how the program's path is quoted into its Exec line, paths it refuses.
#include "platform/Autostart.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace pelan {
namespace {

class Autostart : public ::testing::Test {
protected:
    void SetUp() override {
        config = std::filesystem::temp_directory_path() / ("pelan-autostart-" + std::to_string(::getpid()));
        std::filesystem::remove_all(config);
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(config);
    }
    static std::string execLine(const std::string& text) {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("Exec=", 0) == 0)
                return line.substr(5);
        return {};
    }
    std::filesystem::path config;
};

TEST_F(Autostart, EntryIsWrittenUnderTheConfigFolderAndRemoved) {
    EXPECT_EQ(autostartEntryPath(), config.string() + "/autostart/com.orvane.Pelan.desktop");
    EXPECT_FALSE(autostartEnabled());
    ASSERT_EQ(setAutostart(true, "/usr/bin/pelan"), "");
    EXPECT_TRUE(autostartEnabled());
    std::ifstream file(autostartEntryPath());
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(execLine(text.str()), "/usr/bin/pelan --minimized");
    EXPECT_NE(text.str().find("Type=Application\n"), std::string::npos);
    ASSERT_EQ(setAutostart(false, ""), "");
    EXPECT_FALSE(autostartEnabled());
    // Removing an entry that is not there is no failure.
    EXPECT_EQ(setAutostart(false, ""), "");
}

TEST_F(Autostart, ProgramPathIsQuotedAsDesktopEntriesWant) {
    // A space, '$' and '"' need quotes and a backslash each; the string value doubles that backslash; '%' doubles.
    EXPECT_EQ(execLine(autostartEntryText("/opt/My Apps/pelan")), "\"/opt/My Apps/pelan\" --minimized");
    EXPECT_EQ(execLine(autostartEntryText("/opt/a$b\"c/pelan")), "\"/opt/a\\\\$b\\\\\"c/pelan\" --minimized");
    EXPECT_EQ(execLine(autostartEntryText("/opt/100%/pelan")), "/opt/100%%/pelan --minimized");
}

TEST_F(Autostart, PathsThatWouldBreakTheEntryAreRefused) {
    EXPECT_NE(setAutostart(true, "pelan"), "");
    EXPECT_NE(setAutostart(true, ""), "");
    EXPECT_NE(setAutostart(true, "/opt/x\nExec=/bin/evil"), "");
    EXPECT_FALSE(autostartEnabled());
}

} // namespace
} // namespace pelan
