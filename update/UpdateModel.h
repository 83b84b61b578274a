#pragma once

#include "platform/HttpClient.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The products the update service is asked about, the request for one of them and the decoding of its answer.
namespace pelan {

inline constexpr int kUpdateRowCount = 4;
inline constexpr int kApplicationRow = 3;
inline constexpr int kKindApplication = 0;
// The answer status: something newer exists, or the product is up to date.
inline constexpr int kAnswerNewer = 1;
inline constexpr int kAnswerUpToDate = 7;
// The record's name when the request could not be sent.
inline constexpr const char* kNoLinkServer = "NO_LINK_SERVER";
// The longest answer read; a longer one is refused.
inline constexpr std::size_t kUpdateAnswerLimit = 102400;

struct UpdateProduct {
    int kind = kKindApplication; // 1 or 2: device firmware, versions in hexadecimal; 0: the application, decimal
    int series = 1;
    std::uint32_t currentVersion = 0; // 0: not present, not checked
    std::string brand = "TAVIX";
    std::string modelCode;
    std::string name;
    std::string displayName;
    std::string versionText; // the application's own version text, empty for devices

    bool isApplication() const { return kind == kKindApplication; }
};

// Why a check, a download or a start failed; each has words for the command line and a text of the window.
enum class UpdateFailure {
    None,
    NoAnswer,
    CertificateNotTrusted,
    ServiceRefused,   // an HTTP status other than 2xx
    AnswerUnreadable, // not a JSON object of the expected members, or too large
    TooLarge,
    Incomplete,
    ChecksumMismatch, // the file differs from the digest the answer gave
    SignatureMissing,
    SignatureUnknownKey,
    SignatureInvalid, // malformed, or the file or trusted comment differs from what was signed
    NoDownloadFolder,
    CannotWrite,
    Cancelled,
    StartFailed,
    Other,
};

// "no answer", "certificate not trusted", "download too large", "signature missing", ...
const char* updateFailureText(UpdateFailure failure);
// The language file's key of the same words.
const char* updateFailureTextKey(UpdateFailure failure);
UpdateFailure updateFailureOf(HttpFailure failure);

struct UpdateAnswer {
    int status = kAnswerUpToDate;
    int deviceId = 0; // as the service gave it; whether a file is opened or started is the row's kind, not this
    std::string name;
    std::string currentVersionText;
    std::string versionName;
    std::string newVersionText;
    std::string downloadPath;
    std::string sha256; // of the installer, when the service gives it
    UpdateFailure failure = UpdateFailure::None;
};

// The four rows: mouse, keyboard, mousepad, application; every current version 0.
std::vector<UpdateProduct> updateModelTable();
// The table with the connected devices' HID version numbers (0 for an absent device) and the application's own.
std::vector<UpdateProduct> prepareUpdateRows(const std::array<std::uint32_t, kUpdateRowCount - 1>& deviceVersions);

// The project version text ("1.0.0") and the number made of it with the dots removed (100).
std::string applicationVersionText();
std::uint32_t applicationVersionNumber();

// "TAVIX_1_M1_Pelan_1", or "NULL" for a product that is not present.
std::string applicationKey(const UpdateProduct& product);
// The form body, its terminating zero included as the service expects.
std::string updateRequestBody(const UpdateProduct& product);
std::vector<std::string> updateRequestHeaders(std::size_t bodyLength);
// "V%04x" for devices, "V%d" for the application.
std::string versionText(const UpdateProduct& product, std::uint32_t version);

// The record of one product's answer; an answer that was not sent is named kNoLinkServer, one that is refused,
// not JSON, too large or not of the expected member types leaves the strings empty. Either way `failure` says why.
UpdateAnswer decodeUpdateAnswer(const UpdateProduct& product, const HttpAnswer& answer);

} // namespace pelan
