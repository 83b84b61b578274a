#include "update/UpdateService.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/SettingsFile.h"
#include "platform/Trace.h"
#include "update/UpdateSignature.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <json/reader.h>
#include <json/writer.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace pelan {
namespace {

constexpr const char* kUpdateTimeFile = "updatetime.config";
constexpr std::size_t kMaxInstallerName = 200;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A folder of ours that nobody else can enter: made 0700, and refused when it is a link or someone else's.
bool makePrivateFolder(const std::string& folder) {
    if (!ensureFolder(folder))
        return false;
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return false;
    return (info.st_mode & 0777) == 0700 || ::chmod(folder.c_str(), 0700) == 0;
}

Json::Value readUpdateTime(const std::string& dataFolder) {
    Json::Value root;
    Json::CharReaderBuilder builder;
    std::istringstream text(readFile(dataFolder + kUpdateTimeFile));
    std::string errors;
    if (!Json::parseFromStream(builder, text, &root, &errors) || !root.isObject())
        return Json::Value(Json::objectValue);
    return root;
}

void removeDownload(const std::string& path) {
    std::remove(path.c_str());
    std::remove((path + kSignatureSuffix).c_str());
}

UpdateFailure failureOfSignature(SignatureVerdict verdict) {
    switch (verdict) {
    case SignatureVerdict::Good:
        return UpdateFailure::None;
    case SignatureVerdict::Missing:
        return UpdateFailure::SignatureMissing;
    case SignatureVerdict::UnknownKey:
        return UpdateFailure::SignatureUnknownKey;
    case SignatureVerdict::Malformed:
    case SignatureVerdict::Mismatch:
        break;
    }
    return UpdateFailure::SignatureInvalid;
}

bool sameDigest(std::string a, std::string b) {
    const auto lower = [](std::string& text) {
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    };
    lower(a);
    lower(b);
    return a == b;
}

} // namespace

std::string updateServiceUrl() {
    const char* fromEnvironment = std::getenv(kUpdateUrlVariable);
    std::string url = fromEnvironment != nullptr ? fromEnvironment : "";
    if (url.empty())
        url = settingsValue(kUpdateUrlSettingsKey);
    if (url.empty())
        url = kDefaultUpdateServiceUrl;
    return withTrailingSlash(url);
}

UpdateAnswer checkUpdate(HttpClient& client, const std::string& baseUrl, const UpdateProduct& product) {
    const std::string body = updateRequestBody(product);
    const HttpAnswer answer = client.post(withTrailingSlash(baseUrl) + "updates", updateRequestHeaders(body.size()),
                                          body, kUpdateAnswerLimit);
    return decodeUpdateAnswer(product, answer);
}

bool findNewerVersion(HttpClient& client, const std::string& baseUrl, const std::vector<UpdateProduct>& rows) {
    for (const UpdateProduct& row : rows) {
        if (row.currentVersion == 0)
            continue;
        const UpdateAnswer answer = checkUpdate(client, baseUrl, row);
        if (answer.name.empty())
            continue;
        if (answer.name == kNoLinkServer)
            return false;
        if (answer.status != kAnswerUpToDate)
            return true;
    }
    return false;
}

UpdateFailure downloadInstaller(HttpClient& client, const UpdateAnswer& answer, const std::string& path,
                                const HttpClient::Progress& progress) {
    // What an earlier download left behind is not reused: both files are made anew.
    removeDownload(path);
    const DownloadResult result = client.download(answer.downloadPath, path, kInstallerSizeLimit, progress);
    UpdateFailure failure = updateFailureOf(result.failure);
    if (result.outcome == DownloadOutcome::Complete && !answer.sha256.empty() &&
        !sameDigest(answer.sha256, result.sha256))
        failure = UpdateFailure::ChecksumMismatch;
    else if (result.outcome != DownloadOutcome::Complete && failure == UpdateFailure::None)
        failure = UpdateFailure::Other;
    if (failure == UpdateFailure::None) {
        const DownloadResult signature =
            client.download(answer.downloadPath + kSignatureSuffix, path + kSignatureSuffix, kSignatureFileLimit, {});
        if (signature.outcome != DownloadOutcome::Complete)
            failure = signature.failure == HttpFailure::Cancelled ? UpdateFailure::Cancelled
                                                                  : UpdateFailure::SignatureMissing;
    }
    if (failure == UpdateFailure::None)
        return checkInstaller(path);
    removeDownload(path);
    trace("update: " + path + ": " + updateFailureText(failure) + (result.error.empty() ? "" : ": " + result.error));
    return failure;
}

UpdateFailure checkInstaller(const std::string& path) {
    const SignatureCheck check = checkSignedFile(path, trustedUpdateKeys());
    const UpdateFailure failure = failureOfSignature(check.verdict);
    if (failure != UpdateFailure::None) {
        removeDownload(path);
        trace("update: " + path + ": " + updateFailureText(failure));
    } else {
        trace("update: " + path + " is signed: " + check.trustedComment);
    }
    return failure;
}

void runWorkerBody(const char* name, const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& error) {
        trace(std::string(name) + ": ended by an error: " + error.what());
    } catch (...) {
        trace(std::string(name) + ": ended by an unknown error");
    }
}

std::string updateDownloadFolder() {
    const std::string productFolder = xdgFolder("XDG_CACHE_HOME", "/.cache") + std::string(kProductTitle) + "/";
    const std::string folder = productFolder + "UpdateData/";
    return makePrivateFolder(productFolder) && makePrivateFolder(folder) ? folder : std::string();
}

std::string installerFileName(const std::string& answerName) {
    std::string name;
    for (char c : answerName)
        if (c != '/' && c != '\\' && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            name.push_back(c);
    for (std::size_t dots; (dots = name.find("..")) != std::string::npos;)
        name.erase(dots, 2);
    while (!name.empty() && (name.front() == '.' || name.front() == ' '))
        name.erase(0, 1);
    if (name.size() > kMaxInstallerName)
        name.resize(kMaxInstallerName);
    return name.empty() ? "update" : name;
}

std::string installerPath(const std::string& folder, int row, const std::string& answerName) {
    return folder + std::to_string(row) + "-" + installerFileName(answerName);
}

std::string readLastCheckDate(const std::string& dataFolder) {
    const Json::Value root = readUpdateTime(dataFolder);
    const Json::Value& lastTime = root["updatelasttime"];
    return lastTime.isObject() && lastTime["value"].isString() ? lastTime["value"].asString() : std::string();
}

std::string keepLastCheckDate(const std::string& dataFolder) {
    std::string date = readLastCheckDate(dataFolder);
    if (date.empty()) {
        date = todayText();
        writeLastCheckDate(dataFolder, date);
    }
    return date;
}

bool writeLastCheckDate(const std::string& dataFolder, const std::string& date) {
    if (!ensureFolder(dataFolder))
        return false;
    Json::Value root = readUpdateTime(dataFolder);
    if (!root["updatelasttime"].isObject())
        root["updatelasttime"] = Json::Value(Json::objectValue);
    root["updatelasttime"]["value"] = date;
    Json::StreamWriterBuilder writer;
    return writeFileAtomically(dataFolder + kUpdateTimeFile, Json::writeString(writer, root)) == 0;
}

std::string todayText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return std::to_string(local.tm_year + 1900) + "-" + std::to_string(local.tm_mon + 1) + "-" +
           std::to_string(local.tm_mday);
}

} // namespace pelan

namespace pelan {

void UpdateChecker::request(std::vector<UpdateProduct> rows) {
    {
        std::lock_guard lock(mutex_);
        due_ = std::move(rows);
    }
    wake_.notify_all();
}

void UpdateChecker::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
}

void UpdateChecker::run(const Report& report) {
    for (;;) {
        std::vector<UpdateProduct> rows;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || due_.has_value(); });
            if (stopping_)
                return;
            rows = std::move(*due_);
            due_.reset();
        }
        report(findNewerVersion(client_, baseUrl_, rows));
    }
}

} // namespace pelan
