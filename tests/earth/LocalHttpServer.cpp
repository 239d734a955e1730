#include "LocalHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace korvalen::test {
namespace {

int OpenListener(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("no socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 64) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    return fd;
}

const char* Reason(int status) {
    return status == 200 ? "OK" : status == 302 ? "Found" : status == 404 ? "Not Found" : "Status";
}

}  // namespace

LocalHttpServer::LocalHttpServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = OpenListener(port_);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

LocalHttpServer::~LocalHttpServer() {
    Stop();
}

std::string LocalHttpServer::Address() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::string LocalHttpServer::LastUserAgent() {
    std::lock_guard lock(mutex_);
    return userAgent_;
}

void LocalHttpServer::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        stopping_ = true;
    }
    stopped_.notify_all();
    acceptor_.join();
    ::close(listener_);
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(mutex_);
        connections.swap(connections_);
    }
    for (std::thread& t : connections)
        t.join();
}

void LocalHttpServer::AcceptLoop() {
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        std::lock_guard lock(mutex_);
        connections_.emplace_back([this, connection] {
            Serve(connection);
            ::close(connection);
        });
    }
}

bool LocalHttpServer::SendAll(int connection, const char* data, size_t size) {
    while (size > 0 && !stopping_) {
        const ssize_t sent = ::send(connection, data, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return size == 0;
}

void LocalHttpServer::Serve(int connection) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        pollfd p{connection, POLLIN, 0};
        if (stopping_ || ::poll(&p, 1, 2000) <= 0)
            return;
        const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        request.append(buffer, static_cast<size_t>(got));
    }
    ++requests_;
    const size_t pathStart = request.find(' ') + 1;
    const std::string path = request.substr(pathStart, request.find(' ', pathStart) - pathStart);
    const size_t agent = request.find("\r\nUser-Agent: ");
    if (agent != std::string::npos) {
        const size_t start = agent + 14;
        std::lock_guard lock(mutex_);
        userAgent_ = request.substr(start, request.find("\r\n", start) - start);
    }
    const HttpReply reply = handler_(path);
    if (reply.Delay.count() > 0) {
        std::unique_lock lock(mutex_);
        if (stopped_.wait_for(lock, reply.Delay, [this] { return stopping_.load(); }))
            return;
    }
    std::string head = "HTTP/1.1 " + std::to_string(reply.Status) + " " + Reason(reply.Status) +
                       "\r\nConnection: close\r\n" + reply.Headers;
    if (reply.EndlessBytes == 0)
        head += "Content-Length: " + std::to_string(reply.Body.size()) + "\r\n";
    head += "\r\n";
    if (!SendAll(connection, head.data(), head.size()))
        return;
    if (reply.EndlessBytes == 0) {
        SendAll(connection, reply.Body.data(), reply.Body.size());
        return;
    }
    const std::string chunk(65536, 'x');
    for (size_t left = reply.EndlessBytes; left > 0;) {
        const size_t n = std::min(left, chunk.size());
        if (!SendAll(connection, chunk.data(), n))
            return;
        left -= n;
    }
}

int UnusedLocalPort() {
    int port = 0;
    ::close(OpenListener(port));
    return port;
}

}  // namespace korvalen::test
