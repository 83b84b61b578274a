#include "platform/AtomicFile.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace pelan {
namespace {

namespace fs = std::filesystem;
using testing::readText;
using testing::TempFolder;
using testing::writeText;

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mode & 0777;
}

TEST(AtomicFile, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode) {
    TempFolder folder;
    const mode_t previous = ::umask(077);
    ASSERT_EQ(writeFileAtomically(folder.file("private"), "x"), 0);
    ::umask(002);
    ASSERT_EQ(writeFileAtomically(folder.file("shared"), "x"), 0);
    ::umask(previous);
    EXPECT_EQ(modeOf(folder.file("private")), 0600u);
    EXPECT_EQ(modeOf(folder.file("shared")), 0664u);

    ::chmod(folder.file("shared").c_str(), 0640);
    ASSERT_EQ(writeFileAtomically(folder.file("shared"), "y"), 0);
    EXPECT_EQ(modeOf(folder.file("shared")), 0640u);
}

TEST(AtomicFile, ALinkIsWrittenThroughToItsTargetAndStaysALink) {
    TempFolder folder;
    fs::create_directory(folder.file("real"));
    writeText(folder.file("real/target.json"), "old");
    fs::create_symlink("real/target.json", folder.file("relative"));
    fs::create_symlink(folder.file("relative"), folder.file("chain"));
    fs::create_symlink(folder.file("real/new.json"), folder.file("dangling"));

    ASSERT_EQ(writeFileAtomically(folder.file("chain"), "through two links"), 0);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder.file("chain"))));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder.file("relative"))));
    EXPECT_EQ(readText(folder.file("real/target.json")), "through two links");

    ASSERT_EQ(writeFileAtomically(folder.file("dangling"), "created"), 0);
    EXPECT_EQ(readText(folder.file("real/new.json")), "created");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder.file("dangling"))));
    EXPECT_EQ(namesIn(folder.file("real")), (std::vector<std::string>{"new.json", "target.json"}));
}

TEST(AtomicFile, TheNextSaveInAFolderRemovesTheTemporaryFileOfACrashedWriter) {
    TempFolder folder;
    EXPECT_EXIT(
        {
            setBeforeRenameHook([](const std::string&) -> bool { std::_Exit(3); });
            writeFileAtomically(folder.file("a.json"), "lost");
        },
        ::testing::ExitedWithCode(3), "");
    ASSERT_EQ(namesIn(folder.path()).size(), 1u);
    EXPECT_TRUE(isAtomicTemporaryName(namesIn(folder.path())[0]));
    // A live writer's file (process 1 always runs) and look-alike names are left alone.
    writeText(folder.file("b.json.pelan-tmp-1-abcdefgh"), "busy");
    writeText(folder.file("notes.pelan-tmp-x"), "mine");

    ASSERT_EQ(writeFileAtomically(folder.file("b.json"), "saved"), 0);
    EXPECT_EQ(namesIn(folder.path()),
              (std::vector<std::string>{"b.json", "b.json.pelan-tmp-1-abcdefgh", "notes.pelan-tmp-x"}));
}

} // namespace
} // namespace pelan
