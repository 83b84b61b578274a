#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// HTTP for the update service: one form POST that reads a small answer, and a download into a file. The update code
// is handed a client, so tests talk to a server of their own on loopback through the real client.
//
// Transfers are refused unless the address is https (with the certificate and host name checked), or plain http to
// a loopback host (127.0.0.0/8, ::1, "localhost"); redirects are followed to https only. Proxies come from the
// environment (http_proxy, https_proxy, no_proxy), loopback always goes direct.
namespace pelan {

// Why a transfer failed, for the words the user is shown.
enum class HttpFailure {
    None,
    AddressRefused,        // not https, nor http on this machine
    NoAnswer,              // no connection, no name, or the time ran out
    CertificateNotTrusted, // the server's certificate or host name did not check out
    BadStatus,             // the server answered with a status other than 2xx
    TooLarge,              // more bytes than the caller takes
    Incomplete,            // the transfer ended before every announced byte came
    CannotWrite,           // the file could not be made or written
    Cancelled,             // the caller asked to stop
    Other,
};

struct HttpAnswer {
    bool sent = false;     // the request reached a server and a 2xx answer came back
    bool tooLarge = false; // the answer was longer than the limit and was dropped
    long status = 0;       // HTTP status code, 0 when nothing was sent
    std::string body;      // the answer's bytes (empty unless sent)
    std::string error;     // what failed, in words
    HttpFailure failure = HttpFailure::None;
};

enum class DownloadOutcome {
    Complete,  // every announced byte arrived
    Short,     // the transfer ended before the announced length
    NoLength,  // the server announced no length: the file cannot be checked
    Failed,    // the request failed (address refused, no connection, HTTP error, file not writable)
    Cancelled, // the caller asked to stop
    TooLarge,  // the file was longer than the limit: stopped as soon as that was known
};

struct DownloadResult {
    DownloadOutcome outcome = DownloadOutcome::Failed;
    std::uint64_t announced = 0; // the announced length, 0 when none
    std::uint64_t received = 0;  // bytes written to the file
    std::string sha256;          // lower-case hex digest of the bytes written
    std::string error;
    HttpFailure failure = HttpFailure::None;
};

class HttpClient {
public:
    virtual ~HttpClient() = default;

    // (announced length, bytes so far); return false to cancel the transfer.
    using Progress = std::function<bool(std::uint64_t total, std::uint64_t received)>;

    // POSTs `body` with `headers` ("Name: value" lines) and reads the answer, refusing one longer than `limit`.
    virtual HttpAnswer post(const std::string& url, const std::vector<std::string>& headers, const std::string& body,
                            std::size_t limit) = 0;
    // GETs `url` into the new file `path` (created exclusively, mode 0600; an existing file is not touched),
    // refusing a file longer than `limit`.
    virtual DownloadResult download(const std::string& url, const std::string& path, std::uint64_t limit,
                                    const Progress& progress) = 0;
};

struct CurlClientOptions {
    // A CA bundle to trust instead of the system's; for tests with a certificate of their own.
    std::string caFile;
    long connectTimeoutSeconds = 60;
    // A send or receive that moves no byte for this long ends the transfer.
    long stallTimeoutSeconds = 30;
    // No transfer, a download included, takes longer than this.
    long totalTimeoutSeconds = 1800;
};

// The client over libcurl.
class CurlHttpClient : public HttpClient {
public:
    explicit CurlHttpClient(CurlClientOptions options = {});

    HttpAnswer post(const std::string& url, const std::vector<std::string>& headers, const std::string& body,
                    std::size_t limit) override;
    DownloadResult download(const std::string& url, const std::string& path, std::uint64_t limit,
                            const Progress& progress) override;

private:
    CurlClientOptions options_;
};

// Whether libcurl may be asked for `url`: https anywhere, http only to a loopback host. Sets `error` when not.
bool isAllowedAddress(const std::string& url, std::string& error);

// SHA-256 of `bytes` as lower-case hex.
std::string sha256Hex(const std::string& bytes);

} // namespace pelan
