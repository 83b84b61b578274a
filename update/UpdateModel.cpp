#include "update/UpdateModel.h"

#include "platform/Version.h"

#include <charconv>
#include <cstdio>
#include <json/reader.h>
#include <memory>

namespace pelan {
namespace {

// Our model designations; the brand, "ALL" and "AP" are what the service knows the rows by.
UpdateProduct product(int kind, std::string modelCode, std::string name, std::string displayName) {
    UpdateProduct row;
    row.kind = kind;
    row.modelCode = std::move(modelCode);
    row.name = std::move(name);
    row.displayName = std::move(displayName);
    return row;
}

std::uint32_t parseVersion(const std::string& text, int base) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

std::string memberText(const Json::Value& object, const char* member) {
    const Json::Value& value = object[member];
    return value.isString() || value.isNumeric() ? value.asString() : std::string();
}

struct FailureWords {
    UpdateFailure failure;
    const char* text;
    const char* key;
};

constexpr FailureWords kFailureWords[] = {
    {UpdateFailure::None, "", ""},
    {UpdateFailure::NoAnswer, "no answer", "UpdateNoAnswerText"},
    {UpdateFailure::CertificateNotTrusted, "certificate not trusted", "UpdateCertificateText"},
    {UpdateFailure::ServiceRefused, "the service refused the request", "UpdateRefusedText"},
    {UpdateFailure::AnswerUnreadable, "the answer cannot be read", "UpdateUnreadableText"},
    {UpdateFailure::TooLarge, "download too large", "UpdateTooLargeText"},
    {UpdateFailure::Incomplete, "download incomplete", "UpdateIncompleteText"},
    {UpdateFailure::ChecksumMismatch, "the file does not match its checksum", "UpdateChecksumText"},
    {UpdateFailure::SignatureMissing, "signature missing", "UpdateSignatureMissingText"},
    {UpdateFailure::SignatureUnknownKey, "signed with a key that is not trusted", "UpdateSignatureKeyText"},
    {UpdateFailure::SignatureInvalid, "signature does not match", "UpdateSignatureBadText"},
    {UpdateFailure::NoDownloadFolder, "no private download folder", "UpdateNoFolderText"},
    {UpdateFailure::CannotWrite, "the download cannot be written", "UpdateCannotWriteText"},
    {UpdateFailure::Cancelled, "cancelled", "UpdateCancelledText"},
    {UpdateFailure::StartFailed, "the update cannot be started", "UpdateStartFailText"},
    {UpdateFailure::Other, "the transfer failed", "UpdateFailText"},
};

const FailureWords& wordsOf(UpdateFailure failure) {
    for (const FailureWords& words : kFailureWords)
        if (words.failure == failure)
            return words;
    return kFailureWords[std::size(kFailureWords) - 1];
}

bool parseObject(const std::string& text, Json::Value& root) {
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    return reader->parse(text.data(), text.data() + text.size(), &root, &errors) && root.isObject();
}

// The members the answer must have the type of when it has them; device_id must also fit an int.
bool fitsTheModel(const Json::Value& root) {
    for (const char* member : {"path", "name", "version_name", "sha256", "version"}) {
        const Json::Value& value = root[member];
        if (!value.isNull() && !value.isString() && !value.isNumeric())
            return false;
    }
    const Json::Value& deviceId = root["device_id"];
    return deviceId.isNull() || deviceId.isInt();
}

} // namespace

const char* updateFailureText(UpdateFailure failure) {
    return wordsOf(failure).text;
}

const char* updateFailureTextKey(UpdateFailure failure) {
    return wordsOf(failure).key;
}

UpdateFailure updateFailureOf(HttpFailure failure) {
    switch (failure) {
    case HttpFailure::None:
        return UpdateFailure::None;
    case HttpFailure::AddressRefused:
    case HttpFailure::NoAnswer:
        return UpdateFailure::NoAnswer;
    case HttpFailure::CertificateNotTrusted:
        return UpdateFailure::CertificateNotTrusted;
    case HttpFailure::BadStatus:
        return UpdateFailure::ServiceRefused;
    case HttpFailure::TooLarge:
        return UpdateFailure::TooLarge;
    case HttpFailure::Incomplete:
        return UpdateFailure::Incomplete;
    case HttpFailure::CannotWrite:
        return UpdateFailure::CannotWrite;
    case HttpFailure::Cancelled:
        return UpdateFailure::Cancelled;
    case HttpFailure::Other:
        break;
    }
    return UpdateFailure::Other;
}

std::vector<UpdateProduct> updateModelTable() {
    return {
        product(1, "M1", "Pelan", "Pelan Mouse"),
        product(2, "K1", "PelanKeys", "Pelan Keyboard"),
        product(1, "P1", "PelanPad", "Pelan Mousepad"),
        product(kKindApplication, "ALL", "PelanCenter", "AP"),
    };
}

std::vector<UpdateProduct> prepareUpdateRows(const std::array<std::uint32_t, kUpdateRowCount - 1>& deviceVersions) {
    std::vector<UpdateProduct> rows = updateModelTable();
    for (std::size_t i = 0; i < deviceVersions.size(); ++i)
        rows[i].currentVersion = deviceVersions[i];
    rows[kApplicationRow].currentVersion = applicationVersionNumber();
    rows[kApplicationRow].versionText = applicationVersionText();
    return rows;
}

std::string applicationVersionText() {
    return std::string(programVersion());
}

std::uint32_t applicationVersionNumber() {
    std::string digits;
    for (char c : applicationVersionText())
        if (c != '.')
            digits.push_back(c);
    return parseVersion(digits, 10);
}

std::string applicationKey(const UpdateProduct& product) {
    if (product.currentVersion == 0)
        return "NULL";
    return product.brand + "_" + std::to_string(product.kind) + "_" + product.modelCode + "_" + product.name + "_" +
           std::to_string(product.series);
}

std::string updateRequestBody(const UpdateProduct& product) {
    char version[32];
    std::snprintf(version, sizeof(version), product.isApplication() ? "&version=%u" : "&version=%x",
                  product.currentVersion);
    std::string body = "app_key=" + applicationKey(product) + version;
    body.push_back('\0');
    return body;
}

std::vector<std::string> updateRequestHeaders(std::size_t bodyLength) {
    return {"Content-Length: " + std::to_string(bodyLength), "Content-Type: application/x-www-form-urlencoded",
            "Accept:application/prs.Tavix.v1+json"};
}

std::string versionText(const UpdateProduct& product, std::uint32_t version) {
    char text[32];
    std::snprintf(text, sizeof(text), product.isApplication() ? "V%u" : "V%04x", version);
    return text;
}

UpdateAnswer decodeUpdateAnswer(const UpdateProduct& product, const HttpAnswer& answer) {
    UpdateAnswer record;
    record.currentVersionText = versionText(product, product.currentVersion);
    if (!answer.sent && answer.failure != HttpFailure::TooLarge) {
        // A service that refused the request was reached; one that was not is named as before.
        if (answer.failure != HttpFailure::BadStatus)
            record.name = kNoLinkServer;
        record.failure =
            answer.failure == HttpFailure::None ? UpdateFailure::NoAnswer : updateFailureOf(answer.failure);
        return record;
    }
    Json::Value root;
    std::uint32_t latest = 0;
    if (!answer.tooLarge && parseObject(answer.body, root) && fitsTheModel(root)) {
        record.downloadPath = memberText(root, "path");
        record.name = memberText(root, "name");
        record.versionName = memberText(root, "version_name");
        record.sha256 = memberText(root, "sha256");
        const std::string version = memberText(root, "version");
        record.newVersionText = "V" + version;
        record.deviceId = root["device_id"].isInt() ? root["device_id"].asInt() : 0;
        latest = parseVersion(version, product.isApplication() ? 10 : 16);
    } else {
        record.failure = UpdateFailure::AnswerUnreadable;
    }
    if (product.isApplication())
        record.newVersionText = record.versionName;
    record.status = product.currentVersion < latest ? kAnswerNewer : kAnswerUpToDate;
    return record;
}

} // namespace pelan
