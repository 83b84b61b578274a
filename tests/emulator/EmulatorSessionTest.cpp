#include <gtest/gtest.h>

#include "emulator/EmulatorSession.h"
#include "support/EmulatedTree.h"

namespace pelan::emu {
namespace {

class Session : public ::testing::Test {
protected:
    void SetUp() override {
        root = FakeHidrawTree::makeTemporaryRoot();
        session = std::make_unique<EmulatorSession>(root);
        ASSERT_TRUE(session->addDevice("mouse", 0x0102));
        ASSERT_TRUE(session->plugAll());
    }
    void TearDown() override {
        session.reset();
        std::filesystem::remove_all(root);
    }
    std::string root;
    std::unique_ptr<EmulatorSession> session;
};

TEST_F(Session, CommandsAnswerOneLineEach) {
    EXPECT_EQ(session->run("list").text, "ok mouse=plugged");
    EXPECT_EQ(session->device("mouse")->versionNumber(), 0x0102);
    const std::string dump = session->run("dump mouse 0 4").text;
    EXPECT_EQ(dump.size(), 11u); // four bytes as "xx xx xx xx"
    EXPECT_EQ(session->run("unplug mouse").text, "ok");
    EXPECT_EQ(session->run("unplug mouse").text, "error: mouse is not plugged in");
    EXPECT_EQ(session->run("notify mouse 0x401").text, "error: mouse is not plugged in");
    EXPECT_EQ(session->run("plug mouse").text, "ok");
    EXPECT_EQ(session->run("plug headset").text, "ok");
    EXPECT_EQ(session->run("list").text, "ok headset=plugged mouse=plugged");
    EXPECT_TRUE(session->run("quit").quit);
}

TEST_F(Session, BadCommandsAreRefusedWithAReason) {
    for (const char* bad : {"", "dance", "plug", "plug toaster", "dump mouse 0", "dump mouse 0 100000",
                            "dump mouse 630 11", "fault mouse explode", "fault mouse drop 0", "fault mouse drop x",
                            "fault mouse drop 1 20", "fault mouse late 1 x", "keyreads mouse", "keyreads mouse x",
                            "notify mouse", "notify mouse 0x10000", "unplug keyboard"}) {
        const std::string answer = session->run(bad).text;
        EXPECT_EQ(answer.rfind("error: ", 0), 0u) << bad << " -> " << answer;
    }
    EXPECT_EQ(session->run("dump mouse 630 10").text.size(), 29u);
}

TEST_F(Session, FaultsReachTheFirmware) {
    EXPECT_EQ(session->run("fault mouse refuse-fe 2").text, "ok");
    EXPECT_EQ(session->run("fault mouse late").text, "ok");
    EXPECT_EQ(session->run("fault mouse late 3 2500").text, "ok");
    EXPECT_EQ(session->device("mouse")->pendingFaultCount(), 3u);
    EXPECT_EQ(session->run("keyreads mouse assigned").text, "ok");
}

TEST(EmulatorOptions, KindListsAndVersionsParse) {
    EXPECT_EQ(splitKinds("mouse,,headset"), (std::vector<std::string>{"mouse", "headset"}));
    std::string kind;
    uint16_t version = 0;
    EXPECT_TRUE(parseVersionOption("mouse=0x0102", kind, version));
    EXPECT_EQ(kind, "mouse");
    EXPECT_EQ(version, 0x0102);
    EXPECT_FALSE(parseVersionOption("mouse=", kind, version));
    EXPECT_FALSE(parseVersionOption("=0x1", kind, version));
    EXPECT_FALSE(parseVersionOption("mouse=0x10000", kind, version));
    uint32_t value = 0;
    EXPECT_FALSE(parseNumber("-1", 100, value));
    EXPECT_FALSE(parseNumber("12abc", 100, value));
    EXPECT_TRUE(parseNumber("0x40", 100, value));
    EXPECT_EQ(value, 0x40u);
}

} // namespace
} // namespace pelan::emu
