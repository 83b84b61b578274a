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

struct HttpAnswer {
    bool sent = false;     // the request reached a server and an answer came back
    bool tooLarge = false; // the answer was longer than the limit and was dropped
    long status = 0;       // HTTP status code, 0 when nothing was sent
    std::string body;      // the answer's bytes (empty when too large)
    std::string error;     // what failed, in words
};

enum class DownloadOutcome {
    Complete,  // every announced byte arrived
    Short,     // the transfer ended before the announced length
    NoLength,  // the server announced no length: the file cannot be checked
    Failed,    // the request failed (address refused, no connection, HTTP error, file not writable)
    Cancelled, // the caller asked to stop
};

struct DownloadResult {
    DownloadOutcome outcome = DownloadOutcome::Failed;
    std::uint64_t announced = 0; // the announced length, 0 when none
    std::uint64_t received = 0;  // bytes written to the file
    std::string sha256;          // lower-case hex digest of the bytes written
    std::string error;
};

class HttpClient {
public:
    virtual ~HttpClient() = default;

    // (announced length, bytes so far); return false to cancel the transfer.
    using Progress = std::function<bool(std::uint64_t total, std::uint64_t received)>;

    // POSTs `body` with `headers` ("Name: value" lines) and reads the answer, refusing one longer than `limit`.
    virtual HttpAnswer post(const std::string& url, const std::vector<std::string>& headers, const std::string& body,
                            std::size_t limit) = 0;
    // GETs `url` into the file `path` (created or truncated, mode 0600).
    virtual DownloadResult download(const std::string& url, const std::string& path, const Progress& progress) = 0;
};

struct CurlClientOptions {
    // A CA bundle to trust instead of the system's; for tests with a certificate of their own.
    std::string caFile;
    long connectTimeoutSeconds = 60;
    // A send or receive that moves no byte for this long ends the transfer.
    long stallTimeoutSeconds = 30;
};

// The client over libcurl.
class CurlHttpClient : public HttpClient {
public:
    explicit CurlHttpClient(CurlClientOptions options = {});

    HttpAnswer post(const std::string& url, const std::vector<std::string>& headers, const std::string& body,
                    std::size_t limit) override;
    DownloadResult download(const std::string& url, const std::string& path, const Progress& progress) override;

private:
    CurlClientOptions options_;
};

// Whether libcurl may be asked for `url`: https anywhere, http only to a loopback host. Sets `error` when not.
bool isAllowedAddress(const std::string& url, std::string& error);

// SHA-256 of `bytes` as lower-case hex.
std::string sha256Hex(const std::string& bytes);

} // namespace pelan
