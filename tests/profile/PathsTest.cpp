#include "platform/Paths.h"

#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace pelan {
namespace {

using testing::TempFolder;

class PathsTest : public ::testing::Test {
protected:
    void TearDown() override {
        setDataFolderOverride("");
        setProgramFolderOverride("");
    }
};

TEST_F(PathsTest, DataFolderFollowsXdgDataHomeAndTheProductTitle) {
    ::setenv("XDG_DATA_HOME", "/x/data", 1);
    ::unsetenv("PELAN_DATA_DIR");
    EXPECT_EQ(dataFolder(), "/x/data/ORVANE Pelan Gaming Mouse/");
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(localAppDataFolder(), "/home/someone/.local/share/");
    ::setenv("PELAN_DATA_DIR", "/override", 1);
    EXPECT_EQ(dataFolder(), "/override/");
    setDataFolderOverride("/set/by/test");
    EXPECT_EQ(dataFolder(), "/set/by/test/");
    ::unsetenv("PELAN_DATA_DIR");
}

TEST_F(PathsTest, TemporaryFolderFollowsTmpdir) {
    ::setenv("TMPDIR", "/scratch", 1);
    EXPECT_EQ(temporaryFolder(), "/scratch/");
    ::unsetenv("TMPDIR");
    EXPECT_EQ(temporaryFolder(), "/tmp/");
}

TEST_F(PathsTest, ProgramFolderIsBesideTheExecutableOrTheInstalledShareFolder) {
    ::unsetenv("PELAN_PROGRAM_DIR");
    std::string exeFolder = std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/";
    std::string expected =
        std::filesystem::is_directory(exeFolder + "DefaultData")
            ? exeFolder
            : (std::filesystem::path(exeFolder).parent_path().parent_path() / "share/orvane-pelan/").string();
    EXPECT_EQ(programFolder(), expected);
    setProgramFolderOverride("/opt/pelan");
    EXPECT_EQ(defaultDataFolder(), "/opt/pelan/DefaultData/");
}

TEST_F(PathsTest, UserDeviceFolderIsCreatedWithItsParent) {
    TempFolder folder;
    setDataFolderOverride(folder.file("ORVANE Pelan Gaming Mouse"));
    std::string mouse = userDeviceFolder("mouse");
    EXPECT_EQ(mouse, folder.file("ORVANE Pelan Gaming Mouse/mouse/"));
    EXPECT_TRUE(std::filesystem::is_directory(mouse));
    testing::writeText(mouse + "kept.Json", "{}");
    EXPECT_EQ(userDeviceFolder("mouse"), mouse);
    EXPECT_TRUE(std::filesystem::exists(mouse + "kept.Json"));
}

TEST_F(PathsTest, UnsafeOrOverlongDeviceFoldersAreRefused) {
    TempFolder folder;
    // Components below the file system's name limit, so only the overall length decides.
    std::string data = folder.path() + std::string(200, 'a') + "/" + std::string(200, 'b') + "/";
    setDataFolderOverride(data);
    EXPECT_EQ(userDeviceFolder(""), "");
    EXPECT_EQ(userDeviceFolder("../mouse"), "");
    EXPECT_EQ(userDeviceFolder("a/b"), "");
    std::string tooLong(kMaxFolderPathLength - data.size(), 'x');
    EXPECT_EQ(userDeviceFolder(tooLong), "");
    EXPECT_FALSE(std::filesystem::exists(data)) << "nothing is created for a refused path";
    std::string longest(kMaxFolderPathLength - data.size() - 1, 'y');
    EXPECT_EQ(userDeviceFolder(longest), data + longest + "/");

    setDataFolderOverride(folder.path());
    testing::writeText(folder.file("file"), "");
    EXPECT_EQ(userDeviceFolder("file"), "") << "a file where the folder should be";
}

} // namespace
} // namespace pelan
