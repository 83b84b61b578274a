#include "update/UpdateSession.h"
#include "emulator/LoopbackHttpServer.h"
#include "platform/Ipc.h"
#include "platform/Shell.h"
#include "support/TempFolder.h"
#include "update/UpdateService.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace pelan {
namespace {

using emu::HttpReply;
using emu::HttpRequestRecord;
using emu::LoopbackHttpServer;

// A service that has newer firmware for the mouse and the mousepad and a newer application, and serves their files.
class UpdateSessionTest : public ::testing::Test {
protected:
    UpdateSessionTest() : server_([this](const HttpRequestRecord& request) { return answer(request); }) {}

    HttpReply answer(const HttpRequestRecord& request) {
        HttpReply reply;
        const std::string base = server_.baseUrl();
        if (request.path == "/updates" && request.body.find("_M1_") != std::string::npos)
            reply.body = R"({"version":"0104","name":"../../mouse-fw","device_id":2,"path":")" + base +
                         "files/mouse\"" + digestMember + "}";
        else if (request.path == "/updates" && request.body.find("_P1_") != std::string::npos)
            reply.body = R"({"version":"0200","name":"pad-fw","device_id":3,"path":")" + base + "files/pad\"}";
        else if (request.path == "/updates")
            reply.body = R"({"version":"99999","version_name":"Pelan 9","name":"pelan-setup","device_id":1,"path":")" +
                         base + "files/app\"}";
        else
            reply.body = fileBody;
        if (request.path == "/files/mouse" && cutMouse)
            reply.cutAfter = 10;
        return reply;
    }

    UpdateSession& session() {
        if (!session_) {
            std::filesystem::create_directories(folder_.file("dl"));
            UpdateSession::Setup setup{&http_, &shell_, server_.baseUrl(), folder_.file("dl/"), folder_.file("data/")};
            setup.reportGrace = std::chrono::milliseconds(300);
            session_ = std::make_unique<UpdateSession>(setup, prepareUpdateRows({0x0102, 0, 0x0101}), nullptr);
            session_->check();
        }
        return *session_;
    }

    std::string fileBody = "#!/bin/sh\nexit 0\n";
    std::string digestMember;
    bool cutMouse = false;
    testing::TempFolder folder_;
    LoopbackHttpServer server_;
    CurlHttpClient http_;
    RecordingShell shell_;
    std::unique_ptr<UpdateSession> session_;
};

TEST_F(UpdateSessionTest, CheckListsPresentRowsWithTheirAnswers) {
    const std::vector<UpdateRow> rows = session().rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].displayName, "../../mouse-fw");
    EXPECT_EQ(rows[0].currentVersionText, "V0102");
    EXPECT_EQ(rows[0].newVersionText, "V0104");
    EXPECT_EQ(rows[0].status, kRowNewer);
    // The answer's name cannot lead the installer out of the download folder.
    EXPECT_EQ(rows[0].installerPath, folder_.file("dl/mouse-fw"));
    EXPECT_EQ(rows[2].newVersionText, "Pelan 9");
    EXPECT_EQ(session().state(), kWindowHaveUpdate);
    EXPECT_NE(testing::readText(folder_.file("data/updatetime.config")).find(todayText()), std::string::npos);
}

TEST_F(UpdateSessionTest, ShortOrMismatchedDownloadIsNotLaunched) {
    cutMouse = true;
    session().setTicked(0, true);
    session().confirm();
    session().downloadQueued();
    EXPECT_EQ(session().rows()[0].status, kRowFailed);
    EXPECT_FALSE(std::filesystem::exists(folder_.file("dl/mouse-fw")));
    EXPECT_FALSE(session().launchNext());
    EXPECT_TRUE(shell_.calls().empty());
    EXPECT_EQ(session().state(), kWindowHaveUpdate);

    cutMouse = false;
    digestMember = R"(,"sha256":"00")";
    session_.reset();
    session().setTicked(0, true);
    session().confirm();
    session().downloadQueued();
    EXPECT_EQ(session().rows()[0].status, kRowFailed);

    digestMember = R"(,"sha256":")" + sha256Hex(fileBody) + "\"";
    session_.reset();
    session().setTicked(0, true);
    session().confirm();
    session().downloadQueued();
    EXPECT_EQ(session().rows()[0].status, kRowDownloaded);
    EXPECT_EQ(testing::readText(folder_.file("dl/mouse-fw")), fileBody);
}

TEST_F(UpdateSessionTest, FirmwareRowsInstallOneAfterAnotherAndClosingWaits) {
    setRelaySocketPath("/run/pelan-test.sock");
    session().setTicked(0, true);
    session().setTicked(1, true);
    EXPECT_TRUE(session().canClose());
    session().confirm();
    EXPECT_FALSE(session().canClose());
    session().downloadQueued();
    EXPECT_EQ(session().rows()[1].status, kRowDownloaded);

    ASSERT_TRUE(session().launchNext());
    ASSERT_EQ(shell_.calls().size(), 1u);
    EXPECT_EQ(shell_.calls()[0].kind, RecordingShell::Call::Kind::StartProgram);
    EXPECT_EQ(shell_.calls()[0].target, folder_.file("dl/mouse-fw"));
    // The upgrade program alone is told where to report.
    EXPECT_EQ(shell_.calls()[0].environment, (Shell::Environment{{kRelaySocketVariable, "/run/pelan-test.sock"}}));
    setRelaySocketPath("");
    EXPECT_NE(std::filesystem::status(folder_.file("dl/mouse-fw")).permissions() & std::filesystem::perms::owner_exec,
              std::filesystem::perms::none);
    // While the first upgrade runs, the second waits.
    EXPECT_FALSE(session().launchNext());
    EXPECT_FALSE(session().canClose());
    session().relay(kRelayProgress, 40);
    EXPECT_EQ(session().rows()[0].progress, 40);
    EXPECT_EQ(session().state(), kWindowUpdating);

    session().relay(kRelaySucceeded, 0);
    UpdateRow first = session().rows()[0];
    EXPECT_EQ(first.status, kRowUpToDate);
    EXPECT_EQ(first.currentVersionText, "V0104");
    EXPECT_EQ(first.newVersionText, "");
    EXPECT_FALSE(first.ticked);
    EXPECT_EQ(session().state(), kWindowUpdating);

    ASSERT_TRUE(session().launchNext());
    ASSERT_EQ(shell_.calls().size(), 2u);
    EXPECT_EQ(shell_.calls()[1].target, folder_.file("dl/pad-fw"));
    session().relay(kRelayFailed, 0);
    EXPECT_EQ(session().rows()[1].status, kRowFailed);
    EXPECT_TRUE(session().canClose());
    EXPECT_EQ(session().state(), kWindowHaveUpdate);
}

TEST_F(UpdateSessionTest, ApplicationInstallerIsOpenedAndFailedStartsAreReported) {
    session().setTicked(2, true);
    session().confirm();
    session().downloadQueued();
    ASSERT_TRUE(session().launchNext());
    ASSERT_EQ(shell_.calls().size(), 1u);
    EXPECT_EQ(shell_.calls()[0].kind, RecordingShell::Call::Kind::Open);
    EXPECT_EQ(session().rows()[2].status, kRowNewer);
    EXPECT_TRUE(session().canClose());

    ShellResult refused;
    refused.message = "cannot start";
    shell_.setResult(refused);
    session().setTicked(0, true);
    session().confirm();
    session().downloadQueued();
    ASSERT_TRUE(session().launchNext());
    EXPECT_EQ(session().rows()[0].status, kRowFailed);
    EXPECT_EQ(session().runningRow(), -1);
}

TEST_F(UpdateSessionTest, WorkersSleepUntilConfirmedAndEndOnStop) {
    session().setTicked(0, true);
    std::thread downloads([this] { session().runDownloads(); });
    std::thread launches([this] { session().runLaunches(); });
    session().confirm();
    for (int i = 0; i < 500 && shell_.calls().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(shell_.calls().size(), 1u);
    EXPECT_EQ(session().rows()[0].status, kRowInstalling);
    session().stop();
    downloads.join();
    launches.join();
}

TEST_F(UpdateSessionTest, ProgramEndingWithoutSuccessFailsItsRowButALateSuccessCounts) {
    const auto waitUntil = [](const std::function<bool()>& done) {
        for (int i = 0; i < 500 && !done(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return done();
    };
    session().setTicked(0, true);
    session().setTicked(1, true);
    std::thread downloads([this] { session().runDownloads(); });
    std::thread launches([this] { session().runLaunches(); });
    session().confirm();
    ASSERT_TRUE(waitUntil([this] { return shell_.calls().size() == 1; }));

    // The success report may reach the window only after the program's end has been seen.
    shell_.calls()[0].onExit(0);
    session().relay(kRelaySucceeded, 0);
    ASSERT_TRUE(waitUntil([this] { return shell_.calls().size() == 2; }));
    EXPECT_EQ(session().rows()[0].status, kRowUpToDate);

    shell_.calls()[1].onExit(0);
    EXPECT_TRUE(waitUntil([this] { return session().rows()[1].status == kRowFailed; }));
    EXPECT_TRUE(session().canClose());
    EXPECT_EQ(session().state(), kWindowHaveUpdate);
    session().stop();
    downloads.join();
    launches.join();
}

} // namespace
} // namespace pelan
