#include "emulator/LoopbackHttpServer.h"
#include "platform/Paths.h"
#include "support/TempFolder.h"
#include "support/UpdateSigning.h"
#include "update/UpdateService.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace pelan {
namespace {

using emu::HttpReply;
using emu::HttpRequestRecord;
using emu::LoopbackHttpServer;
using emu::replyWithBody;

UpdateProduct deviceRow(std::uint32_t version) {
    UpdateProduct row = updateModelTable()[0];
    row.currentVersion = version;
    return row;
}

UpdateProduct applicationRow(std::uint32_t version) {
    UpdateProduct row = updateModelTable()[kApplicationRow];
    row.currentVersion = version;
    return row;
}

TEST(UpdateCheck, RequestCarriesKeyVersionAndHeadersInOrder) {
    LoopbackHttpServer server([](const HttpRequestRecord&) { return replyWithBody("{}"); });
    CurlHttpClient client;
    checkUpdate(client, server.baseUrl(), deviceRow(0x0102));
    checkUpdate(client, server.baseUrl(), applicationRow(1000));
    const std::vector<HttpRequestRecord> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].path, "/updates");
    EXPECT_EQ(requests[0].body, std::string("app_key=TAVIX_1_M1_Pelan_1&version=102", 39));
    EXPECT_EQ(requests[1].body, std::string("app_key=TAVIX_0_ALL_PelanCenter_1&version=1000", 47));
    EXPECT_EQ(requests[0].headers.at("content-length"), "39");
    EXPECT_EQ(requests[0].headers.at("content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].headers.at("accept"), "application/prs.Tavix.v1+json");
    const auto& order = requests[0].headerOrder;
    const auto position = [&order](const std::string& name) { return std::find(order.begin(), order.end(), name); };
    EXPECT_LT(position("content-length"), position("content-type"));
    EXPECT_LT(position("content-type"), position("accept"));
    EXPECT_EQ(applicationKey(deviceRow(0)), "NULL");
}

TEST(UpdateCheck, DevicesCompareInHexAndTheApplicationInDecimal) {
    std::string answer;
    LoopbackHttpServer server([&answer](const HttpRequestRecord&) { return replyWithBody(answer); });
    CurlHttpClient client;

    answer = R"({"version":"0103","name":"Pelan Mouse","path":"http://x/fw","device_id":2})";
    UpdateAnswer newer = checkUpdate(client, server.baseUrl(), deviceRow(0x0102));
    EXPECT_EQ(newer.status, kAnswerNewer);
    EXPECT_EQ(newer.currentVersionText, "V0102");
    EXPECT_EQ(newer.newVersionText, "V0103");
    EXPECT_EQ(newer.deviceId, 2);
    answer = R"({"version":"0102","name":"Pelan Mouse"})";
    EXPECT_EQ(checkUpdate(client, server.baseUrl(), deviceRow(0x0102)).status, kAnswerUpToDate);
    // Hexadecimal: "0110" is above 0x0102 (and "0fff" is no decimal number at all, so 0 for the application).
    answer = R"({"version":"0110","name":"Pelan Mouse"})";
    EXPECT_EQ(checkUpdate(client, server.baseUrl(), deviceRow(0x0102)).status, kAnswerNewer);

    answer = R"({"version":"1001","version_name":"Pelan 1.0.1","name":"Pelan","device_id":1})";
    UpdateAnswer application = checkUpdate(client, server.baseUrl(), applicationRow(1000));
    EXPECT_EQ(application.status, kAnswerNewer);
    EXPECT_EQ(application.currentVersionText, "V1000");
    EXPECT_EQ(application.newVersionText, "Pelan 1.0.1");
    answer = R"({"version":"0fff","name":"Pelan"})";
    EXPECT_EQ(checkUpdate(client, server.baseUrl(), applicationRow(1000)).status, kAnswerUpToDate);
}

TEST(UpdateCheck, StartUpQuestionChecksPresentRowsAndPassesOverBadAnswers) {
    std::vector<std::string> answers;
    LoopbackHttpServer server([&answers](const HttpRequestRecord& request) {
        if (request.body.find("M1") != std::string::npos)
            return replyWithBody(answers[0]);
        return replyWithBody(answers[1]);
    });
    CurlHttpClient client;
    std::vector<UpdateProduct> noDevice = prepareUpdateRows({0, 0, 0});
    answers = {"", R"({"version":"1","name":"Pelan"})"};
    EXPECT_FALSE(findNewerVersion(client, server.baseUrl(), noDevice));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_NE(server.requests()[0].body.find("ALL"), std::string::npos);

    std::vector<UpdateProduct> withMouse = prepareUpdateRows({0x0102, 0, 0});
    answers = {"<html>not json</html>", R"({"version":"99999","name":"Pelan"})"};
    EXPECT_TRUE(findNewerVersion(client, server.baseUrl(), withMouse));
    // An answer over the limit is not cut and read: it is passed over like any other unreadable one.
    answers = {R"({"version":"0103","name":")" + std::string(kUpdateAnswerLimit, 'n') + "\"}",
               R"({"version":"1","name":"Pelan"})"};
    EXPECT_FALSE(findNewerVersion(client, server.baseUrl(), withMouse));

    // Unreachable: nothing is new.
    std::string closedUrl;
    {
        LoopbackHttpServer closed([](const HttpRequestRecord&) { return replyWithBody("{}"); });
        closedUrl = closed.baseUrl();
    }
    EXPECT_FALSE(findNewerVersion(client, closedUrl, withMouse));
}

TEST(UpdateCheck, AnswersThatDoNotFitAreFailedAnswersThatSayWhy) {
    std::string answer;
    int status = 200;
    LoopbackHttpServer server([&](const HttpRequestRecord&) {
        HttpReply reply = replyWithBody(answer);
        reply.status = status;
        return reply;
    });
    CurlHttpClient client;
    const auto failureOf = [&](const std::string& body) {
        answer = body;
        return checkUpdate(client, server.baseUrl(), deviceRow(0x0102)).failure;
    };
    EXPECT_EQ(failureOf(R"({"version":"0103","name":"fw","device_id":2})"), UpdateFailure::None);
    EXPECT_EQ(failureOf(R"({"version":"0103","name":"fw","device_id":99999999999})"), UpdateFailure::AnswerUnreadable);
    EXPECT_EQ(failureOf(R"({"version":"0103","name":{"a":1}})"), UpdateFailure::AnswerUnreadable);
    EXPECT_FALSE(findNewerVersion(client, server.baseUrl(), prepareUpdateRows({0x0102, 0, 0})));
    status = 500;
    EXPECT_EQ(failureOf(R"({"version":"0103","name":"fw","device_id":2})"), UpdateFailure::ServiceRefused);
    EXPECT_EQ(checkUpdate(client, server.baseUrl(), deviceRow(0x0102)).status, kAnswerUpToDate);

    // A service whose certificate nobody vouches for, and one that is not there.
    testing::TempFolder folder;
    std::string certificate, key;
    ASSERT_TRUE(testing::makeTestCertificate(folder, certificate, key));
    std::string closedUrl;
    {
        LoopbackHttpServer tls([](const HttpRequestRecord&) { return replyWithBody("{}"); }, 0, {certificate, key});
        EXPECT_EQ(checkUpdate(client, tls.baseUrl(), deviceRow(0x0102)).failure, UpdateFailure::CertificateNotTrusted);
        CurlHttpClient trusting(CurlClientOptions{certificate});
        EXPECT_EQ(checkUpdate(trusting, tls.baseUrl(), deviceRow(0x0102)).failure, UpdateFailure::None);
        closedUrl = tls.baseUrl();
    }
    const UpdateAnswer unreachable = checkUpdate(client, closedUrl, deviceRow(0x0102));
    EXPECT_EQ(unreachable.failure, UpdateFailure::NoAnswer);
    EXPECT_EQ(unreachable.name, kNoLinkServer);
}

TEST(UpdateCheck, DownloadsStopAtTheLimitAndKeepNothingUnsigned) {
    constexpr std::size_t kMiB = 1 << 20;
    LoopbackHttpServer server([](const HttpRequestRecord& request) {
        HttpReply reply = replyWithBody(request.path == "/big" ? std::string(kMiB, 'x') : "#!/bin/sh\n");
        reply.chunkedRepeats = request.path == "/big" ? 50 : 0;
        reply.status = request.path == "/gone" || request.path.ends_with(".minisig") ? 404 : 200;
        return reply;
    });
    testing::TempFolder folder;
    CurlHttpClient client;
    UpdateAnswer answer;
    answer.downloadPath = server.baseUrl() + "big";
    EXPECT_EQ(downloadInstaller(client, answer, folder.file("big"), {}), UpdateFailure::TooLarge);
    EXPECT_LT(server.bodyBytesSent(), 50 * kMiB);
    EXPECT_FALSE(std::filesystem::exists(folder.file("big")));

    answer.downloadPath = server.baseUrl() + "gone";
    EXPECT_EQ(downloadInstaller(client, answer, folder.file("gone"), {}), UpdateFailure::ServiceRefused);
    // A file left by an earlier run is replaced, not reused; without its signature nothing is kept.
    testing::writeText(folder.file("fw"), "old");
    answer.downloadPath = server.baseUrl() + "fw";
    EXPECT_EQ(downloadInstaller(client, answer, folder.file("fw"), {}), UpdateFailure::SignatureMissing);
    EXPECT_FALSE(std::filesystem::exists(folder.file("fw")));
}

TEST(UpdateCheck, LastCheckDateIsKeptAndRewritten) {
    testing::TempFolder folder;
    EXPECT_EQ(readLastCheckDate(folder.path()), "");
    EXPECT_EQ(keepLastCheckDate(folder.path()), todayText());
    ASSERT_TRUE(writeLastCheckDate(folder.path(), "2020-1-2"));
    EXPECT_EQ(keepLastCheckDate(folder.path()), "2020-1-2");
    EXPECT_NE(testing::readText(folder.file("updatetime.config")).find("\"updatelasttime\""), std::string::npos);
    testing::writeText(folder.file("updatetime.config"), R"({"updatelasttime":"broken","other":1})");
    EXPECT_EQ(readLastCheckDate(folder.path()), "");
    ASSERT_TRUE(writeLastCheckDate(folder.path(), "2021-3-4"));
    EXPECT_EQ(readLastCheckDate(folder.path()), "2021-3-4");
}

TEST(UpdateCheck, InstallerNamesStayInThePrivateFolder) {
    EXPECT_EQ(installerFileName("../../x"), "x");
    EXPECT_EQ(installerFileName("..\\..\\evil/../y"), "evily");
    EXPECT_EQ(installerFileName("...."), "update");
    EXPECT_EQ(installerFileName(".hidden"), "hidden");
    EXPECT_EQ(installerFileName("Pelan Mouse\n"), "Pelan Mouse");

    testing::TempFolder cache;
    ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    const std::string folder = updateDownloadFolder();
    ASSERT_FALSE(folder.empty());
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ::chmod(folder.c_str(), 0777);
    EXPECT_EQ(updateDownloadFolder(), folder);
    ::stat(folder.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ::unsetenv("XDG_CACHE_HOME");
}

TEST(UpdateCheck, ServiceAddressFromEnvironmentThenSettingsFile) {
    testing::TempFolder config;
    ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    ::unsetenv(kUpdateUrlVariable);
    EXPECT_EQ(updateServiceUrl(), kDefaultUpdateServiceUrl);
    std::filesystem::create_directories(config.path() + std::string(kProductTitle));
    testing::writeText(settingsFilePath(), "[General]\nUpdateServiceUrl=https://mirror.example/u\n");
    EXPECT_EQ(updateServiceUrl(), "https://mirror.example/u/");
    ::setenv(kUpdateUrlVariable, "http://127.0.0.1:9/", 1);
    EXPECT_EQ(updateServiceUrl(), "http://127.0.0.1:9/");
    ::unsetenv(kUpdateUrlVariable);
    ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace pelan
