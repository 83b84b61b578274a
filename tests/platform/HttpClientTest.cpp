#include "platform/HttpClient.h"
#include "emulator/LoopbackHttpServer.h"
#include "support/TempFolder.h"
#include "support/UpdateSigning.h"

#include <gtest/gtest.h>

namespace pelan {
namespace {

using emu::HttpReply;
using emu::HttpRequestRecord;
using emu::LoopbackHttpServer;
using emu::replyWithBody;
using testing::readText;
using testing::TempFolder;

TEST(HttpClient, PostSendsBodyAndHeadersAndReadsTheAnswer) {
    LoopbackHttpServer server([](const HttpRequestRecord&) { return replyWithBody("{\"a\":1}"); });
    ASSERT_TRUE(server.ok());
    CurlHttpClient client;
    const HttpAnswer answer = client.post(server.baseUrl() + "updates", {"Accept:application/x-test"}, "k=v", 100);
    EXPECT_TRUE(answer.sent);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.body, "{\"a\":1}");
    const std::vector<HttpRequestRecord> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].path, "/updates");
    EXPECT_EQ(requests[0].body, "k=v");
    EXPECT_EQ(requests[0].headers.at("accept"), "application/x-test");
}

TEST(HttpClient, AnswerOverTheLimitIsRefusedNotCut) {
    LoopbackHttpServer server([](const HttpRequestRecord&) { return replyWithBody(std::string(5000, 'x')); });
    CurlHttpClient client;
    const HttpAnswer answer = client.post(server.baseUrl(), {}, "", 4999);
    EXPECT_TRUE(answer.tooLarge);
    EXPECT_TRUE(answer.body.empty());
    EXPECT_TRUE(client.post(server.baseUrl(), {}, "", 5000).body.size() == 5000);
}

TEST(HttpClient, PlainHttpOnlyToLoopbackAndNothingSentWhenUnreachable) {
    std::string error;
    EXPECT_TRUE(isAllowedAddress("http://127.0.0.1:1/x", error));
    EXPECT_TRUE(isAllowedAddress("http://127.9.9.9/x", error));
    EXPECT_TRUE(isAllowedAddress("http://[::1]:8080/x", error));
    EXPECT_TRUE(isAllowedAddress("http://localhost/x", error));
    EXPECT_TRUE(isAllowedAddress("https://updates.example.com/x", error));
    EXPECT_FALSE(isAllowedAddress("http://updates.example.com/x", error));
    EXPECT_FALSE(isAllowedAddress("http://128.0.0.1/x", error));
    EXPECT_FALSE(isAllowedAddress("ftp://127.0.0.1/x", error));
    EXPECT_FALSE(isAllowedAddress("file:///etc/passwd", error));

    CurlHttpClient client;
    EXPECT_FALSE(client.post("http://updates.example.com/updates", {}, "", 100).sent);
    // A port nobody listens on: the request cannot be sent.
    std::uint16_t freePort = 0;
    {
        LoopbackHttpServer closed([](const HttpRequestRecord&) { return HttpReply(); });
        freePort = closed.port();
    }
    EXPECT_FALSE(client.post("http://127.0.0.1:" + std::to_string(freePort) + "/", {}, "", 100).sent);
}

TEST(HttpClient, DownloadTellsCompleteShortUnannouncedAndFailedApart) {
    const std::string file(3000, 'f');
    LoopbackHttpServer server([&file](const HttpRequestRecord& request) {
        HttpReply reply = replyWithBody(file);
        if (request.path == "/short")
            reply.cutAfter = 1000;
        else if (request.path == "/nolength")
            reply.announceLength = false;
        else if (request.path == "/missing")
            reply.status = 404;
        return reply;
    });
    TempFolder folder;
    CurlHttpClient client;
    std::uint64_t lastTotal = 0, lastReceived = 0;
    const auto progress = [&](std::uint64_t total, std::uint64_t received) {
        lastTotal = total;
        lastReceived = received;
        return true;
    };

    DownloadResult whole = client.download(server.baseUrl() + "whole", folder.file("a"), 1 << 20, progress);
    EXPECT_EQ(whole.outcome, DownloadOutcome::Complete);
    EXPECT_EQ(whole.received, 3000u);
    EXPECT_EQ(whole.sha256, sha256Hex(file));
    EXPECT_EQ(readText(folder.file("a")), file);
    EXPECT_EQ(lastTotal, 3000u);
    EXPECT_EQ(lastReceived, 3000u);

    EXPECT_EQ(client.download(server.baseUrl() + "short", folder.file("b"), 1 << 20, progress).outcome,
              DownloadOutcome::Short);
    EXPECT_EQ(client.download(server.baseUrl() + "nolength", folder.file("c"), 1 << 20, progress).outcome,
              DownloadOutcome::NoLength);
    EXPECT_EQ(client.download(server.baseUrl() + "missing", folder.file("d"), 1 << 20, progress).outcome,
              DownloadOutcome::Failed);
    const auto cancel = [](std::uint64_t, std::uint64_t) { return false; };
    EXPECT_EQ(client.download(server.baseUrl() + "whole", folder.file("e"), 1 << 20, cancel).outcome,
              DownloadOutcome::Cancelled);
}

TEST(HttpClient, Sha256OfKnownText) {
    EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(HttpClient, SelfSignedCertificateIsRefusedUnlessItsAuthorityIsGiven) {
    TempFolder folder;
    std::string certificate, key;
    ASSERT_TRUE(testing::makeTestCertificate(folder, certificate, key)) << "openssl could not make a certificate";
    LoopbackHttpServer server([](const HttpRequestRecord&) { return replyWithBody("ok"); }, 0, {certificate, key});
    ASSERT_TRUE(server.ok());
    const std::string url = server.baseUrl() + "updates";
    const HttpAnswer refused = CurlHttpClient().post(url, {}, "x", 100);
    EXPECT_FALSE(refused.sent);
    EXPECT_EQ(refused.failure, HttpFailure::CertificateNotTrusted);
    const HttpAnswer accepted = CurlHttpClient(CurlClientOptions{certificate}).post(url, {}, "x", 100);
    EXPECT_TRUE(accepted.sent) << accepted.error;
    EXPECT_EQ(accepted.body, "ok");
}

} // namespace
} // namespace pelan
