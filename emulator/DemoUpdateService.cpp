#include "emulator/DemoUpdateService.h"

#include "platform/HttpClient.h"
#include "platform/Ipc.h"
#include "update/UpdateModel.h"
#include "update/UpdateSignature.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace pelan::emu {
namespace {

constexpr const char* kKindOfRow[] = {"mouse", "keyboard", "mousepad"};
constexpr int kProgressSteps = 10;
constexpr auto kProgressStepTime = std::chrono::milliseconds(150);

std::string formValue(const std::string& body, const std::string& name) {
    const std::string key = name + "=";
    std::size_t start = body.find(key);
    if (start == std::string::npos)
        return {};
    start += key.size();
    const std::size_t end = body.find_first_of("&", start);
    std::string value = body.substr(start, end == std::string::npos ? std::string::npos : end - start);
    while (!value.empty() && value.back() == '\0')
        value.pop_back();
    return value;
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof(text), "%04x", value);
    return text;
}

bool relay(const std::string& socket, std::int64_t wParam, std::int64_t lParam) {
    return sendIpcMessage(socket, {kSettingsRelayName, wParam, lParam});
}

} // namespace

DemoUpdateService::DemoUpdateService(std::uint16_t port, std::string emulatorProgram, Upgrade upgrade)
    : emulatorProgram_(std::move(emulatorProgram)), upgrade_(std::move(upgrade)),
      server_([this](const HttpRequestRecord& request) { return answer(request); }, port) {}

std::string DemoUpdateService::upgradeProgram(const std::string& kind) const {
    return "#!/bin/sh\n# ORVANE Pelan demo firmware upgrade\nexec " + quoted(emulatorProgram_) + " --upgrade " +
           quoted(kind) + " --service " + quoted(baseUrl()) + "\n";
}

HttpReply DemoUpdateService::answer(const HttpRequestRecord& request) {
    if (request.path == "/updates")
        return updateAnswer(request.body);
    if (request.path == "/upgraded") {
        const std::string kind = formValue(request.body, "kind");
        HttpReply reply = replyWithBody("{}");
        if (!upgrade_ || !upgrade_(kind, kDemoLatestFirmware))
            reply.status = 404;
        return reply;
    }
    const std::string suffix = kSignatureSuffix;
    const bool signature = request.path.size() > suffix.size() &&
                           request.path.compare(request.path.size() - suffix.size(), suffix.size(), suffix) == 0;
    const std::string path = signature ? request.path.substr(0, request.path.size() - suffix.size()) : request.path;
    HttpReply reply = file(path);
    if (signature && reply.status == 200)
        reply.body = signer_.sign(reply.body, "file:" + path.substr(path.rfind('/') + 1));
    return reply;
}

HttpReply DemoUpdateService::file(const std::string& path) const {
    for (const char* kind : kKindOfRow)
        if (path == std::string("/files/") + kind + "-upgrade")
            return replyWithBody(upgradeProgram(kind));
    if (path == "/files/pelan-installer")
        return replyWithBody("ORVANE Pelan " + std::to_string(applicationVersionNumber() + 1) + " demo installer\n");
    HttpReply missing = replyWithBody("{}");
    missing.status = 404;
    return missing;
}

HttpReply DemoUpdateService::updateAnswer(const std::string& body) {
    const std::string key = formValue(body, "app_key");
    const std::vector<UpdateProduct> table = updateModelTable();
    for (std::size_t row = 0; row < table.size(); ++row) {
        UpdateProduct product = table[row];
        product.currentVersion = 1;
        if (applicationKey(product) != key)
            continue;
        if (product.isApplication()) {
            const std::string version = std::to_string(applicationVersionNumber() + 1);
            return replyWithBody(R"({"name":"pelan-installer","device_id":1,"version":")" + version +
                                 R"(","version_name":"V)" + version + R"( demo","path":")" + baseUrl() +
                                 R"(files/pelan-installer"})");
        }
        const std::string kind = kKindOfRow[row];
        const std::string file = kind + "-upgrade";
        return replyWithBody(R"({"name":")" + file + R"(","device_id":2,"version":")" + hex4(kDemoLatestFirmware) +
                             R"(","version_name":"demo firmware","path":")" + baseUrl() + "files/" + file +
                             R"(","sha256":")" + sha256Hex(upgradeProgram(kind)) + R"("})");
    }
    return replyWithBody("{}");
}

int runDemoUpgrade(const std::string& kind, const std::string& serviceUrl) {
    const char* socket = std::getenv(kRelaySocketVariable);
    if (socket == nullptr || *socket == '\0') {
        std::fprintf(stderr, "pelan-emu: %s is not set: nobody to report to\n", kRelaySocketVariable);
        return 1;
    }
    for (int step = 1; step <= kProgressSteps; ++step) {
        relay(socket, 4, step * 100 / kProgressSteps);
        std::this_thread::sleep_for(kProgressStepTime);
    }
    CurlHttpClient client;
    const HttpAnswer answer = client.post(serviceUrl + "upgraded", {}, "kind=" + kind, 1024);
    const bool raised = answer.sent && answer.status == 200;
    relay(socket, raised ? 1 : 2, 0);
    return raised ? 0 : 1;
}

} // namespace pelan::emu
