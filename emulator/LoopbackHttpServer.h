#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ssl_ctx_st;

namespace pelan::emu {

// One HTTP request as the server read it. Header names are lower-case.
struct HttpRequestRecord {
    std::string method;
    std::string path;
    std::map<std::string, std::string> headers;
    std::vector<std::string> headerOrder; // header names in the order they came
    std::string body;
};

struct HttpReply {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;
    bool announceLength = true;
    // Sends only this many bytes of the body and then hangs up (a transfer that breaks off).
    std::size_t cutAfter = std::string::npos;
    // Sends the body this many times over in chunked encoding, without a length; stops when the client hangs up.
    std::size_t chunkedRepeats = 0;
};

// The certificate chain and key of a server that speaks TLS (PEM files).
struct TlsFiles {
    std::string certificate;
    std::string key;
};

// A 200 reply carrying `body` as JSON.
inline HttpReply replyWithBody(std::string body) {
    HttpReply reply;
    reply.body = std::move(body);
    return reply;
}

// A small HTTP/1.1 server on 127.0.0.1 for the demo update service and the tests, plain or over TLS: one connection
// at a time, one request per connection. The handler runs on the server's thread.
class LoopbackHttpServer {
public:
    using Handler = std::function<HttpReply(const HttpRequestRecord&)>;

    // Listens on `port` (0: any free port), with TLS when `tls` names a certificate. ok() says whether it could.
    explicit LoopbackHttpServer(Handler handler, std::uint16_t port = 0, const TlsFiles& tls = {});
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool ok() const { return listenFd_ >= 0; }
    std::uint16_t port() const { return port_; }
    // "http://127.0.0.1:PORT/", or https
    std::string baseUrl() const;
    std::vector<HttpRequestRecord> requests() const;
    // Body bytes handed to the connection so far, over every reply.
    std::uint64_t bodyBytesSent() const;

private:
    struct Connection;

    void serve();
    void answer(Connection& connection);
    void sendReply(Connection& connection, const HttpReply& reply, bool headOnly);

    Handler handler_;
    ssl_ctx_st* tls_ = nullptr; // when serving TLS
    std::uint64_t bodyBytesSent_ = 0;
    int listenFd_ = -1;
    int wakeFd_ = -1;
    std::uint16_t port_ = 0;
    mutable std::mutex mutex_;
    std::vector<HttpRequestRecord> requests_;
    std::thread thread_;
};

} // namespace pelan::emu
