// The settings file that keeps the program's choices: one value replaced in place, the other lines kept.
#include "platform/SettingsFile.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace pelan {
namespace {

TEST(SettingsFile, WritesOneKeyAndKeepsTheRest) {
    testing::TempFolder folder;
    ::setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
    EXPECT_EQ(settingsFilePath(), folder.path() + "ORVANE Pelan Gaming Mouse/pelan.conf");
    EXPECT_EQ(settingsValue("LANGUAGE"), "");

    // The folder is made on the first write.
    ASSERT_TRUE(writeSettingsValue("LANGUAGE", "2052"));
    testing::writeText(settingsFilePath(),
                       "[General]\nUpdateServiceUrl=https://mirror.example/u \r\nLANGUAGE=2052\nLANGUAGEX=1\n");
    ASSERT_TRUE(writeSettingsValue("LANGUAGE", "1033"));
    EXPECT_EQ(settingsValue("LANGUAGE"), "1033");
    EXPECT_EQ(settingsValue("UpdateServiceUrl"), "https://mirror.example/u");
    EXPECT_EQ(settingsValue("LANGUAGEX"), "1");
    EXPECT_EQ(testing::readText(settingsFilePath()).find("[General]\n"), 0u);

    // A value or key that would make a second line is refused and nothing changes.
    EXPECT_FALSE(writeSettingsValue("LANGUAGE", "1\nUpdateServiceUrl=http://evil/"));
    EXPECT_FALSE(writeSettingsValue("A=B", "1"));
    EXPECT_EQ(settingsValue("UpdateServiceUrl"), "https://mirror.example/u");
    ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace pelan
