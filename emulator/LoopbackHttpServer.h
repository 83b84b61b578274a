#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
};

// A 200 reply carrying `body` as JSON.
inline HttpReply replyWithBody(std::string body) {
    HttpReply reply;
    reply.body = std::move(body);
    return reply;
}

// A small HTTP/1.1 server on 127.0.0.1 for the demo update service and the tests: one connection at a time, one
// request per connection. The handler runs on the server's thread.
class LoopbackHttpServer {
public:
    using Handler = std::function<HttpReply(const HttpRequestRecord&)>;

    // Listens on `port` (0: any free port). ok() says whether it could.
    explicit LoopbackHttpServer(Handler handler, std::uint16_t port = 0);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool ok() const { return listenFd_ >= 0; }
    std::uint16_t port() const { return port_; }
    // "http://127.0.0.1:PORT/"
    std::string baseUrl() const;
    std::vector<HttpRequestRecord> requests() const;

private:
    void serve();
    void answer(int fd);

    Handler handler_;
    int listenFd_ = -1;
    int wakeFd_ = -1;
    std::uint16_t port_ = 0;
    mutable std::mutex mutex_;
    std::vector<HttpRequestRecord> requests_;
    std::thread thread_;
};

} // namespace pelan::emu
