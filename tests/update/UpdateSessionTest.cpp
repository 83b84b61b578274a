#include "update/UpdateSession.h"
#include "emulator/LoopbackHttpServer.h"
#include "platform/Ipc.h"
#include "platform/Shell.h"
#include "support/TempFolder.h"
#include "support/UpdateSigning.h"
#include "update/UpdateService.h"
#include "update/UpdateSignature.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace pelan {
namespace {

using emu::HttpReply;
using emu::HttpRequestRecord;
using emu::LoopbackHttpServer;

// A service over TLS with a certificate of the test's that has newer firmware for the mouse and the mousepad and a
// newer application, and serves their files with signatures made by minisign with the test key. The answers' device
// ids are deliberately not the rows' kinds, and the mouse's and the mousepad's answers name the same file.
class UpdateSessionTest : public ::testing::Test {
protected:
    UpdateSessionTest()
        : certificateMade_(testing::makeTestCertificate(certificateFolder_, certificate_, certificateKey_)),
          server_([this](const HttpRequestRecord& request) { return answer(request); }, 0,
                  emu::TlsFiles{certificate_, certificateKey_}),
          http_(CurlClientOptions{certificate_}) {
        ::setenv(kUpdateTestKeyVariable, key_.publicKey().c_str(), 1);
        for (const char* path : {"/files/mouse", "/files/pad", "/files/app"})
            signatures_[path] = key_.signatureOf(fileOf(path));
    }
    ~UpdateSessionTest() override { ::unsetenv(kUpdateTestKeyVariable); }

    void SetUp() override {
        ASSERT_TRUE(certificateMade_ && server_.ok()) << "openssl could not make the test certificate";
        ASSERT_TRUE(key_.ok()) << "minisign could not make the test key";
    }

    static std::string fileOf(const std::string& path) { return "#!/bin/sh\nexit 0\n# " + path + "\n"; }

    HttpReply answer(const HttpRequestRecord& request) {
        HttpReply reply;
        const std::string base = server_.baseUrl();
        const std::string& path = request.path;
        if (path == "/updates" && request.body.find("_M1_") != std::string::npos)
            reply.body = R"({"version":"0104","name":"../../mouse-fw","device_id":1,"path":")" + base +
                         "files/mouse\"" + digestMember + "}";
        else if (path == "/updates" && request.body.find("_P1_") != std::string::npos)
            reply.body = R"({"version":"0200","name":"mouse-fw","device_id":3,"path":")" + base + "files/pad\"}";
        else if (path == "/updates")
            reply.body = R"({"version":"99999","version_name":"Pelan 9","name":"pelan-setup","device_id":2,"path":")" +
                         base + "files/app\"}";
        else if (path.ends_with(kSignatureSuffix) && signatures_.count(path.substr(0, path.size() - 8)) != 0)
            reply.body = signatures_[path.substr(0, path.size() - 8)];
        else if (path.ends_with(kSignatureSuffix))
            reply.status = 404;
        else
            reply.body = fileOf(path);
        if (path == "/files/mouse" && cutMouse)
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

    void downloadTicked() {
        session().confirm();
        session().downloadQueued();
    }

    std::string digestMember;
    bool cutMouse = false;
    testing::MinisignKey key_;
    std::map<std::string, std::string> signatures_; // by file path; a file without one has none on the service
    testing::TempFolder folder_;
    testing::TempFolder certificateFolder_;
    std::string certificate_, certificateKey_;
    bool certificateMade_;
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
    // The answer's name cannot lead the installer out of the download folder, and each row has a file of its own.
    EXPECT_EQ(rows[0].installerPath, folder_.file("dl/0-mouse-fw"));
    EXPECT_EQ(rows[1].installerPath, folder_.file("dl/1-mouse-fw"));
    EXPECT_EQ(rows[2].newVersionText, "Pelan 9");
    EXPECT_EQ(session().state(), kWindowHaveUpdate);
    EXPECT_NE(testing::readText(folder_.file("data/updatetime.config")).find(todayText()), std::string::npos);
}

TEST_F(UpdateSessionTest, ShortOrMismatchedDownloadIsNotLaunched) {
    cutMouse = true;
    session().setTicked(0, true);
    downloadTicked();
    EXPECT_EQ(session().rows()[0].status, kRowFailed);
    EXPECT_EQ(session().rows()[0].failure, UpdateFailure::Incomplete);
    EXPECT_FALSE(std::filesystem::exists(folder_.file("dl/0-mouse-fw")));
    EXPECT_FALSE(session().launchNext());
    EXPECT_TRUE(shell_.calls().empty());
    EXPECT_EQ(session().state(), kWindowHaveUpdate);

    cutMouse = false;
    digestMember = R"(,"sha256":"00")";
    session_.reset();
    session().setTicked(0, true);
    downloadTicked();
    EXPECT_EQ(session().rows()[0].status, kRowFailed);
    EXPECT_EQ(session().rows()[0].failure, UpdateFailure::ChecksumMismatch);

    digestMember = R"(,"sha256":")" + sha256Hex(fileOf("/files/mouse")) + "\"";
    session_.reset();
    session().setTicked(0, true);
    downloadTicked();
    EXPECT_EQ(session().rows()[0].status, kRowDownloaded);
    EXPECT_EQ(testing::readText(folder_.file("dl/0-mouse-fw")), fileOf("/files/mouse"));
}

TEST_F(UpdateSessionTest, UnsignedForeignOrChangedFilesAreNeverStarted) {
    // The mousepad's answer names a script; without a signature it is not kept.
    signatures_.erase("/files/pad");
    session().setTicked(1, true);
    downloadTicked();
    EXPECT_EQ(session().rows()[1].status, kRowFailed);
    EXPECT_EQ(session().rows()[1].failure, UpdateFailure::SignatureMissing);
    EXPECT_FALSE(std::filesystem::exists(folder_.file("dl/1-mouse-fw")));

    testing::MinisignKey stranger;
    signatures_["/files/pad"] = stranger.signatureOf(fileOf("/files/pad"));
    downloadTicked();
    EXPECT_EQ(session().rows()[1].failure, UpdateFailure::SignatureUnknownKey);
    EXPECT_FALSE(std::filesystem::exists(folder_.file("dl/1-mouse-fw")));
    EXPECT_FALSE(session().launchNext());

    // Well signed, then changed in the folder before its start: it is checked again and refused.
    signatures_["/files/pad"] = key_.signatureOf(fileOf("/files/pad"));
    downloadTicked();
    ASSERT_EQ(session().rows()[1].status, kRowDownloaded);
    testing::writeText(folder_.file("dl/1-mouse-fw"), "#!/bin/sh\nrm -rf ~\n");
    EXPECT_TRUE(session().launchNext());
    EXPECT_EQ(session().rows()[1].status, kRowFailed);
    EXPECT_EQ(session().rows()[1].failure, UpdateFailure::SignatureInvalid);
    EXPECT_FALSE(std::filesystem::exists(folder_.file("dl/1-mouse-fw")));
    EXPECT_TRUE(shell_.calls().empty());
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
    // Both answers are named alike; each row still has its own file.
    EXPECT_EQ(testing::readText(folder_.file("dl/0-mouse-fw")), fileOf("/files/mouse"));
    EXPECT_EQ(testing::readText(folder_.file("dl/1-mouse-fw")), fileOf("/files/pad"));

    // A device row's file is an upgrade program to start, whatever device id its answer gave (here 1).
    ASSERT_TRUE(session().launchNext());
    ASSERT_EQ(shell_.calls().size(), 1u);
    EXPECT_EQ(shell_.calls()[0].kind, RecordingShell::Call::Kind::StartProgram);
    EXPECT_EQ(shell_.calls()[0].target, folder_.file("dl/0-mouse-fw"));
    // The upgrade program alone is told where to report.
    EXPECT_EQ(shell_.calls()[0].environment, (Shell::Environment{{kRelaySocketVariable, "/run/pelan-test.sock"}}));
    setRelaySocketPath("");
    EXPECT_NE(std::filesystem::status(folder_.file("dl/0-mouse-fw")).permissions() & std::filesystem::perms::owner_exec,
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
    EXPECT_EQ(shell_.calls()[1].target, folder_.file("dl/1-mouse-fw"));
    session().relay(kRelayFailed, 0);
    EXPECT_EQ(session().rows()[1].status, kRowFailed);
    EXPECT_TRUE(session().canClose());
    EXPECT_EQ(session().state(), kWindowHaveUpdate);
}

TEST_F(UpdateSessionTest, ApplicationInstallerIsOpenedAndFailedStartsAreReported) {
    // The program's own row is handed to the desktop, whatever device id its answer gave (here 2).
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
