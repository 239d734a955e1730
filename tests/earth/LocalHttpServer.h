#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "earth/TileSource.h"

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

// A handler that serves the tiles of an MBTiles file as /{z}/{x}/{y}.png, 404 for others.
inline LocalHttpServer::Handler ServeMbTiles(const std::filesystem::path& file) {
    std::string error;
    std::shared_ptr<TileSource> source = OpenMbTiles(file.string(), error);
    auto mutex = std::make_shared<std::mutex>();
    return [source, mutex](const std::string& path) {
        int z = 0, x = 0, y = 0;
        char tail[8] = "";
        HttpReply reply;
        std::vector<uint8_t> data;
        std::string error;
        std::lock_guard lock(*mutex);
        if (!source || std::sscanf(path.c_str(), "/%d/%d/%d.%4s", &z, &x, &y, tail) != 4 ||
            std::string(tail) != "png" || !source->ReadTile(z, x, y, data, error)) {
            reply.Status = 404;
            reply.Body = "no such tile";
            return reply;
        }
        reply.Body.assign(data.begin(), data.end());
        return reply;
    };
}

// Sets (or with nullptr removes) an environment variable for one test and puts the old
// value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace korvalen::test
