#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace korvalen::test {

// What the test server answers to one request.
struct HttpReply {
    HttpReply(int status = 200, std::string body = {}, std::string headers = {},
              std::chrono::milliseconds delay = {}, size_t endlessBytes = 0)
        : Status(status),
          Body(std::move(body)),
          Headers(std::move(headers)),
          Delay(delay),
          EndlessBytes(endlessBytes) {}
    int Status;
    std::string Body;
    std::string Headers;              // extra header lines, each ending in "\r\n"
    std::chrono::milliseconds Delay;  // before anything is sent
    size_t EndlessBytes;              // > 0: that many bytes of body, no length given
};

// An HTTP server on 127.0.0.1 with a port of its own, one thread per connection, one
// request per connection. The handler may be called from several threads at once.
class LocalHttpServer {
public:
    using Handler = std::function<HttpReply(const std::string& path)>;
    explicit LocalHttpServer(Handler handler);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:PORT"
    std::string Address() const;
    // Closes the port and ends every connection; later connections are refused.
    void Stop();
    int Requests() const { return requests_; }
    std::string LastUserAgent();

private:
    void AcceptLoop();
    void Serve(int connection);
    bool SendAll(int connection, const char* data, size_t size);

    Handler handler_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    std::mutex mutex_;
    std::condition_variable stopped_;
    std::string userAgent_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

// A port on 127.0.0.1 where nothing listens (taken and given back at once).
int UnusedLocalPort();

}  // namespace korvalen::test
