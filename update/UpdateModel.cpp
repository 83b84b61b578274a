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

bool parseObject(const std::string& text, Json::Value& root) {
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    return reader->parse(text.data(), text.data() + text.size(), &root, &errors) && root.isObject();
}

} // namespace

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
    if (!answer.sent) {
        record.name = kNoLinkServer;
        return record;
    }
    Json::Value root;
    std::uint32_t latest = 0;
    if (!answer.tooLarge && parseObject(answer.body, root)) {
        record.downloadPath = memberText(root, "path");
        record.name = memberText(root, "name");
        record.versionName = memberText(root, "version_name");
        record.sha256 = memberText(root, "sha256");
        const std::string version = memberText(root, "version");
        record.newVersionText = "V" + version;
        record.deviceId = root["device_id"].isIntegral() ? root["device_id"].asInt() : 0;
        latest = parseVersion(version, product.isApplication() ? 10 : 16);
    }
    if (product.isApplication())
        record.newVersionText = record.versionName;
    record.status = product.currentVersion < latest ? kAnswerNewer : kAnswerUpToDate;
    return record;
}

} // namespace pelan
