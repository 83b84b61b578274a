#include "emulator/LoopbackHttpServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pelan::emu {
namespace {

constexpr int kReadTimeoutMs = 5000;
constexpr std::size_t kMaxRequestBytes = 1 << 20;

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

} // namespace

// One accepted connection, plain or through TLS.
struct LoopbackHttpServer::Connection {
    int fd = -1;
    SSL* ssl = nullptr;

    ssize_t receive(char* buffer, std::size_t size) {
        if (ssl == nullptr)
            return ::recv(fd, buffer, size, 0);
        const int n = SSL_read(ssl, buffer, int(size));
        return n > 0 ? n : -1;
    }
    ssize_t send(const char* bytes, std::size_t size) {
        if (ssl == nullptr)
            return ::send(fd, bytes, size, MSG_NOSIGNAL);
        const int n = SSL_write(ssl, bytes, int(size));
        return n > 0 ? n : -1;
    }
    bool sendAll(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = send(bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR && ssl == nullptr)
                continue;
            if (n <= 0)
                return false;
            done += size_t(n);
        }
        return true;
    }
    // Reads what the peer sent next; false when it stopped, went quiet for the time-out or sent too much.
    bool readMore(std::string& bytes) {
        pollfd entry{fd, POLLIN, 0};
        if ((ssl == nullptr || SSL_pending(ssl) == 0) && ::poll(&entry, 1, kReadTimeoutMs) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = receive(buffer, sizeof(buffer));
        if (n <= 0)
            return false;
        bytes.append(buffer, size_t(n));
        return bytes.size() <= kMaxRequestBytes;
    }
};

namespace {

bool parseHead(const std::string& head, HttpRequestRecord& request) {
    std::size_t lineStart = 0;
    std::size_t lineEnd = head.find("\r\n");
    const std::string requestLine = head.substr(0, lineEnd);
    const auto space1 = requestLine.find(' ');
    const auto space2 = requestLine.find(' ', space1 + 1);
    if (space1 == std::string::npos || space2 == std::string::npos)
        return false;
    request.method = requestLine.substr(0, space1);
    request.path = requestLine.substr(space1 + 1, space2 - space1 - 1);
    while (lineEnd != std::string::npos) {
        lineStart = lineEnd + 2;
        lineEnd = head.find("\r\n", lineStart);
        const std::string line = head.substr(lineStart, lineEnd - lineStart);
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string name = lowerCase(trimmed(line.substr(0, colon)));
        request.headers[name] = trimmed(line.substr(colon + 1));
        request.headerOrder.push_back(name);
    }
    return true;
}

std::string replyHead(const HttpReply& reply) {
    std::string bytes = "HTTP/1.1 " + std::to_string(reply.status) + (reply.status < 400 ? " OK" : " Error") + "\r\n";
    bytes += "Content-Type: " + reply.contentType + "\r\nConnection: close\r\n";
    if (reply.chunkedRepeats > 0)
        bytes += "Transfer-Encoding: chunked\r\n";
    else if (reply.announceLength)
        bytes += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    return bytes + "\r\n";
}

std::string hexLength(std::size_t length) {
    char text[32];
    std::snprintf(text, sizeof(text), "%zx\r\n", length);
    return text;
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(Handler handler, std::uint16_t port, const TlsFiles& tls)
    : handler_(std::move(handler)) {
    if (!tls.certificate.empty()) {
        tls_ = SSL_CTX_new(TLS_server_method());
        if (tls_ == nullptr || SSL_CTX_use_certificate_chain_file(tls_, tls.certificate.c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(tls_, tls.key.c_str(), SSL_FILETYPE_PEM) != 1)
            return;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    socklen_t length = sizeof(address);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return;
    }
    listenFd_ = fd;
    port_ = ntohs(address.sin_port);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
    thread_ = std::thread([this] { serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof(one));
        thread_.join();
    }
    if (listenFd_ >= 0)
        ::close(listenFd_);
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
    SSL_CTX_free(tls_);
}

std::string LoopbackHttpServer::baseUrl() const {
    return std::string(tls_ != nullptr ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + "/";
}

std::uint64_t LoopbackHttpServer::bodyBytesSent() const {
    std::lock_guard lock(mutex_);
    return bodyBytesSent_;
}

std::vector<HttpRequestRecord> LoopbackHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void LoopbackHttpServer::serve() {
    // A client that hangs up mid-reply must not end the process: TLS writes cannot ask for MSG_NOSIGNAL.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    for (;;) {
        pollfd entries[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (::poll(entries, 2, -1) < 0 && errno != EINTR)
            return;
        if (entries[1].revents != 0)
            return;
        if (entries[0].revents == 0)
            continue;
        Connection connection;
        connection.fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection.fd < 0)
            continue;
        if (tls_ != nullptr) {
            connection.ssl = SSL_new(tls_);
            SSL_set_fd(connection.ssl, connection.fd);
            const timeval timeout{kReadTimeoutMs / 1000, 0};
            ::setsockopt(connection.fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
        }
        if (connection.ssl == nullptr || SSL_accept(connection.ssl) == 1)
            answer(connection);
        if (connection.ssl != nullptr) {
            SSL_shutdown(connection.ssl);
            SSL_free(connection.ssl);
        }
        ::close(connection.fd);
    }
}

void LoopbackHttpServer::sendReply(Connection& connection, const HttpReply& reply, bool headOnly) {
    if (!connection.sendAll(replyHead(reply)) || headOnly)
        return;
    const auto sent = [this](std::size_t bytes) {
        std::lock_guard lock(mutex_);
        bodyBytesSent_ += bytes;
    };
    if (reply.chunkedRepeats == 0) {
        const std::string body = reply.body.substr(0, reply.cutAfter);
        if (connection.sendAll(body))
            sent(body.size());
        return;
    }
    const std::string chunk = hexLength(reply.body.size()) + reply.body + "\r\n";
    for (std::size_t i = 0; i < reply.chunkedRepeats; ++i) {
        if (!connection.sendAll(chunk))
            return;
        sent(reply.body.size());
    }
    connection.sendAll("0\r\n\r\n");
}

void LoopbackHttpServer::answer(Connection& connection) {
    std::string bytes;
    std::size_t headEnd = std::string::npos;
    while ((headEnd = bytes.find("\r\n\r\n")) == std::string::npos)
        if (!connection.readMore(bytes))
            return;
    HttpRequestRecord request;
    if (!parseHead(bytes.substr(0, headEnd), request))
        return;
    std::size_t bodyLength = 0;
    if (const auto length = request.headers.find("content-length"); length != request.headers.end()) {
        const std::string& text = length->second;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), bodyLength);
        if (error != std::errc() || bodyLength > kMaxRequestBytes)
            return;
    }
    while (bytes.size() - headEnd - 4 < bodyLength)
        if (!connection.readMore(bytes))
            return;
    request.body = bytes.substr(headEnd + 4, bodyLength);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    sendReply(connection, handler_(request), request.method == "HEAD");
}

} // namespace pelan::emu
