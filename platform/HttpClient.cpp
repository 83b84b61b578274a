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

struct FileSink {
    int fd = -1;
    std::uint64_t written = 0;
    EVP_MD_CTX* digest = nullptr;
    const HttpClient::Progress* progress = nullptr;
    bool cancelled = false;
};

size_t appendToFile(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<FileSink*>(user);
    const size_t length = size * count;
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
    if (!isAllowedAddress(url, answer.error))
        return answer;
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
        answer.error = "the answer is longer than " + std::to_string(limit) + " bytes";
    } else if (code != CURLE_OK) {
        answer.error = errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(code);
    } else {
        answer.sent = true;
        answer.body = std::move(sink.body);
    }
    if (!answer.error.empty())
        trace("http: " + url + ": " + answer.error);
    return answer;
}

DownloadResult CurlHttpClient::download(const std::string& url, const std::string& path, const Progress& progress) {
    DownloadResult result;
    if (!isAllowedAddress(url, result.error))
        return result;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        result.error = "cannot write " + path + ": " + std::strerror(errno);
        return result;
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    CurlHandle handle = openHandle(url, options_, errorBuffer);
    Digest digest = newSha256();
    FileSink sink{fd, 0, digest.get(), &progress, false};
    CURLcode code = CURLE_FAILED_INIT;
    curl_off_t announced = -1;
    if (handle) {
        CURL* h = handle.get();
        curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, appendToFile);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, reportProgress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, &sink);
        code = curl_easy_perform(h);
        curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    }
    const bool closed = ::close(fd) == 0;
    result.received = sink.written;
    result.announced = announced > 0 ? std::uint64_t(announced) : 0;
    result.sha256 = finishDigest(digest.get());
    if (sink.cancelled) {
        result.outcome = DownloadOutcome::Cancelled;
        result.error = "cancelled";
    } else if (code == CURLE_PARTIAL_FILE ||
               (code == CURLE_OK && announced > 0 && result.received < result.announced)) {
        result.outcome = DownloadOutcome::Short;
        result.error = "ended after " + std::to_string(result.received) + " of " + std::to_string(announced) + " bytes";
    } else if (code != CURLE_OK || !closed) {
        result.error = errorBuffer[0] != '\0' ? errorBuffer : closed ? curl_easy_strerror(code) : "cannot write file";
    } else if (announced < 0) {
        result.outcome = DownloadOutcome::NoLength;
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
