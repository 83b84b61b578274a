#include "Processes.h"
#include "emulator/LoopbackHttpServer.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <json/json.h>
#include <sstream>

namespace pelan::test {
namespace {

constexpr auto kTimeout = std::chrono::seconds(30);

// pelanctl's update commands against pelan-emu's update service, and its upgrade program run as the window would.
TEST(PelanctlUpdate, CheckDownloadAndUpgradeAgainstTheEmulatedService) {
    EmulatorProcess emulator("mouse", {"--update-service", "0"});
    ASSERT_TRUE(emulator.ready());
    ASSERT_FALSE(emulator.serviceUrl().empty());
    pelan::testing::TempFolder folder;
    const std::vector<std::pair<std::string, std::string>> env = {{"PELAN_HIDRAW_ROOT", emulator.root()},
                                                                  {"PELAN_UPDATE_URL", emulator.serviceUrl()},
                                                                  {"PELAN_UPDATE_TEST_KEY", emulator.serviceKey()},
                                                                  {"XDG_CACHE_HOME", folder.path()}};
    const auto check = [&] {
        ProcessResult result = runProcess({builtProgram("pelanctl"), "update", "check", "--json"}, kTimeout, env);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        Json::Value doc;
        std::istringstream(result.out) >> doc;
        return doc;
    };
    Json::Value doc = check();
    ASSERT_EQ(doc["rows"].size(), 2u); // the mouse and the program
    EXPECT_EQ(doc["rows"][0]["state"], "newer");
    EXPECT_EQ(doc["rows"][0]["current"], "V0103");
    EXPECT_EQ(doc["rows"][1]["product"], "AP");

    ProcessResult download = runProcess({builtProgram("pelanctl"), "update", "download", "0"}, kTimeout, env);
    ASSERT_EQ(download.exitCode, 0) << download.err;
    const std::string file = folder.path() + "ORVANE Pelan Gaming Mouse/UpdateData/0-mouse-upgrade";
    EXPECT_EQ(download.out, "file: " + file + "\n");
    EXPECT_TRUE(std::filesystem::exists(file + ".minisig"));

    // The upgrade program reports to a socket nobody listens on here, raises the firmware and says it succeeded.
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    ProcessResult upgrade = runProcess({file}, kTimeout, {{"PELAN_RELAY_SOCKET", folder.file("none.sock")}});
    EXPECT_EQ(upgrade.exitCode, 0) << upgrade.err;
    doc = check();
    EXPECT_EQ(doc["rows"][0]["state"], "up to date");
    EXPECT_EQ(doc["rows"][0]["current"], "V0104");

    ProcessResult absent = runProcess({builtProgram("pelanctl"), "update", "download", "2"}, kTimeout, env);
    EXPECT_EQ(absent.exitCode, 1);
    ProcessResult unreachable = runProcess({builtProgram("pelanctl"), "update", "check"}, kTimeout,
                                           {{"PELAN_UPDATE_URL", "http://127.0.0.1:1/"}});
    EXPECT_EQ(unreachable.exitCode, 1);
    EXPECT_NE(unreachable.err.find("no answer"), std::string::npos) << unreachable.err;

    // Signed with a key this program was not told of: nothing is kept.
    ProcessResult untrusted =
        runProcess({builtProgram("pelanctl"), "update", "download", "0"}, kTimeout, {env[0], env[1], env[3]});
    EXPECT_EQ(untrusted.exitCode, 1);
    EXPECT_NE(untrusted.err.find("signed with a key that is not trusted"), std::string::npos) << untrusted.err;
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(PelanctlUpdate, AnAnswerThatDoesNotFitIsAFailedRowNotAnAbort) {
    emu::LoopbackHttpServer service([](const emu::HttpRequestRecord&) {
        return emu::replyWithBody(R"({"name":"fw-upgrade","device_id":99999999999,"version":"999","path":"/f"})");
    });
    ProcessResult result = runProcess({builtProgram("pelanctl"), "--emulate", "mouse", "update", "check", "--json"},
                                      kTimeout, {{"PELAN_UPDATE_URL", service.baseUrl()}});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    Json::Value doc;
    std::istringstream(result.out) >> doc;
    EXPECT_EQ(doc["rows"][0]["state"], "the answer cannot be read");
}

} // namespace
} // namespace pelan::test
