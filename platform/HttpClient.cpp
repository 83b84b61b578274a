#include "platform/HttpClient.h"

#include "platform/Trace.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <openssl/evp.h>
#include <unistd.h>

namespace pelan {
namespace {

constexpr const char* kUserAgent = "ORVANE-Pelan-Update/1.0";
// Loopback never goes through a proxy, whatever no_proxy says.
constexpr const char* kLoopbackHosts = "localhost,127.0.0.0/8,::1";
constexpr long kMaxRedirects = 5;

void initialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct DigestDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;
using Digest = std::unique_ptr<EVP_MD_CTX, DigestDeleter>;

std::string urlPart(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK || text == nullptr)
        return {};
    std::string value(text);
    curl_free(text);
    return value;
}

bool isLoopbackHost(std::string host) {
    if (host == "localhost")
        return true;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    in_addr v4{};
    if (::inet_pton(AF_INET, host.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return ::inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

std::string noProxyList() {
    const char* fromEnvironment = std::getenv("no_proxy");
    if (fromEnvironment == nullptr)
        fromEnvironment = std::getenv("NO_PROXY");
    std::string list = kLoopbackHosts;
    if (fromEnvironment != nullptr && *fromEnvironment != '\0')
        list += std::string(",") + fromEnvironment;
    return list;
}

std::string hex(const unsigned char* bytes, unsigned length) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned i = 0; i < length; ++i) {
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 0xF]);
    }
    return text;
}

std::string finishDigest(EVP_MD_CTX* context) {
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_DigestFinal_ex(context, value, &length);
    return hex(value, length);
}

Digest newSha256() {
    Digest context(EVP_MD_CTX_new());
    EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr);
    return context;
}

// The settings every transfer shares: checks, time-outs, proxies, redirects.
CurlHandle openHandle(const std::string& url, const CurlClientOptions& options, char* errorBuffer) {
    initialiseCurl();
    CurlHandle handle(curl_easy_init());
    if (!handle)
        return handle;
    CURL* h = handle.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options.caFile.empty())
        curl_easy_setopt(h, CURLOPT_CAINFO, options.caFile.c_str());
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, options.stallTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, options.totalTimeoutSeconds);
    const std::string noProxy = noProxyList();
    curl_easy_setopt(h, CURLOPT_NOPROXY, noProxy.c_str()); // copied by libcurl
    return handle;
}

struct AnswerSink {
    std::string body;
    std::size_t limit = 0;
    bool tooLarge = false;
};

size_t appendAnswer(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<AnswerSink*>(user);
    const size_t length = size * count;
    if (sink->body.size() + length > sink->limit) {
        sink->tooLarge = true;
        return 0; // ends the transfer
    }
    sink->body.append(data, length);
    return length;
}

// Why curl stopped, in the caller's terms.
HttpFailure failureOf(CURLcode code) {
    switch (code) {
    case CURLE_OK:
        return HttpFailure::None;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return HttpFailure::NoAnswer;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return HttpFailure::CertificateNotTrusted;
    case CURLE_HTTP_RETURNED_ERROR:
        return HttpFailure::BadStatus;
    case CURLE_FILESIZE_EXCEEDED:
        return HttpFailure::TooLarge;
    case CURLE_PARTIAL_FILE:
        return HttpFailure::Incomplete;
    case CURLE_WRITE_ERROR:
        return HttpFailure::CannotWrite;
    case CURLE_ABORTED_BY_CALLBACK:
        return HttpFailure::Cancelled;
    default:
        return HttpFailure::Other;
    }
}

bool isSuccessStatus(long status) {
    return status >= 200 && status < 300;
}

struct FileSink {
    int fd = -1;
    std::uint64_t written = 0;
    std::uint64_t limit = 0;
    EVP_MD_CTX* digest = nullptr;
    const HttpClient::Progress* progress = nullptr;
    bool cancelled = false;
    bool tooLarge = false;
};

size_t appendToFile(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<FileSink*>(user);
    const size_t length = size * count;
    // A body without a length (chunked, or ended by closing) is stopped here as soon as it passes the limit.
    if (sink->written + length > sink->limit) {
        sink->tooLarge = true;
        return 0;
    }
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(sink->fd, data + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return 0;
        done += size_t(n);
    }
    EVP_DigestUpdate(sink->digest, data, length);
    sink->written += length;
    return length;
}

int reportProgress(void* user, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t) {
    auto* sink = static_cast<FileSink*>(user);
    if (*sink->progress && !(*sink->progress)(std::uint64_t(total), std::uint64_t(received))) {
        sink->cancelled = true;
        return 1;
    }
    return 0;
}

} // namespace

bool isAllowedAddress(const std::string& url, std::string& error) {
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
        error = "not an address: " + url;
        return false;
    }
    const std::string scheme = urlPart(parsed.get(), CURLUPART_SCHEME);
    if (scheme == "https")
        return true;
    if (scheme == "http" && isLoopbackHost(urlPart(parsed.get(), CURLUPART_HOST)))
        return true;
    error = "refused: only https, or http on this machine, is used: " + url;
    return false;
}

CurlHttpClient::CurlHttpClient(CurlClientOptions options) : options_(std::move(options)) {}

HttpAnswer CurlHttpClient::post(const std::string& url, const std::vector<std::string>& headers,
                                const std::string& body, std::size_t limit) {
    HttpAnswer answer;
    if (!isAllowedAddress(url, answer.error)) {
        answer.failure = HttpFailure::AddressRefused;
        return answer;
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    CurlHandle handle = openHandle(url, options_, errorBuffer);
    if (!handle) {
        answer.error = "libcurl could not start";
        return answer;
    }
    HeaderList list;
    for (const std::string& header : headers)
        list.reset(curl_slist_append(list.release(), header.c_str()));
    AnswerSink sink;
    sink.limit = limit;
    CURL* h = handle.get();
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.get());
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, appendAnswer);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    const CURLcode code = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &answer.status);
    if (sink.tooLarge) {
        answer.sent = true;
        answer.tooLarge = true;
        answer.failure = HttpFailure::TooLarge;
        answer.error = "the answer is longer than " + std::to_string(limit) + " bytes";
    } else if (code != CURLE_OK) {
        answer.failure = failureOf(code);
        answer.error = errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(code);
    } else if (!isSuccessStatus(answer.status)) {
        answer.failure = HttpFailure::BadStatus;
        answer.error = "the service answered with status " + std::to_string(answer.status);
    } else {
        answer.sent = true;
        answer.body = std::move(sink.body);
    }
    if (!answer.error.empty())
        trace("http: " + url + ": " + answer.error);
    return answer;
}

DownloadResult CurlHttpClient::download(const std::string& url, const std::string& path, std::uint64_t limit,
                                        const Progress& progress) {
    DownloadResult result;
    if (!isAllowedAddress(url, result.error)) {
        result.failure = HttpFailure::AddressRefused;
        return result;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        result.error = "cannot write " + path + ": " + std::strerror(errno);
        result.failure = HttpFailure::CannotWrite;
        return result;
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    CurlHandle handle = openHandle(url, options_, errorBuffer);
    Digest digest = newSha256();
    FileSink sink{fd, 0, limit, digest.get(), &progress, false, false};
    CURLcode code = CURLE_FAILED_INIT;
    curl_off_t announced = -1;
    long status = 0;
    if (handle) {
        CURL* h = handle.get();
        curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
        // An announced length over the limit is refused before the first byte.
        curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(limit));
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, appendToFile);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, reportProgress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, &sink);
        code = curl_easy_perform(h);
        curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    }
    const bool closed = ::close(fd) == 0;
    result.received = sink.written;
    result.announced = announced > 0 ? std::uint64_t(announced) : 0;
    result.sha256 = finishDigest(digest.get());
    if (sink.cancelled) {
        result.outcome = DownloadOutcome::Cancelled;
        result.failure = HttpFailure::Cancelled;
        result.error = "cancelled";
    } else if (sink.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        result.outcome = DownloadOutcome::TooLarge;
        result.failure = HttpFailure::TooLarge;
        result.error = "the file is longer than " + std::to_string(limit) + " bytes";
    } else if (code == CURLE_PARTIAL_FILE ||
               (code == CURLE_OK && announced > 0 && result.received < result.announced)) {
        result.outcome = DownloadOutcome::Short;
        result.failure = HttpFailure::Incomplete;
        result.error = "ended after " + std::to_string(result.received) + " of " + std::to_string(announced) + " bytes";
    } else if (code != CURLE_OK || !closed) {
        result.failure = closed ? failureOf(code) : HttpFailure::CannotWrite;
        result.error = errorBuffer[0] != '\0' ? errorBuffer : closed ? curl_easy_strerror(code) : "cannot write file";
    } else if (!isSuccessStatus(status)) {
        result.failure = HttpFailure::BadStatus;
        result.error = "the service answered with status " + std::to_string(status);
    } else if (announced < 0) {
        result.outcome = DownloadOutcome::NoLength;
        result.failure = HttpFailure::Incomplete;
        result.error = "the server gave no length";
    } else {
        result.outcome = DownloadOutcome::Complete;
    }
    if (!result.error.empty())
        trace("http: download " + url + ": " + result.error);
    return result;
}

std::string sha256Hex(const std::string& bytes) {
    Digest digest = newSha256();
    EVP_DigestUpdate(digest.get(), bytes.data(), bytes.size());
    return finishDigest(digest.get());
}

} // namespace pelan
