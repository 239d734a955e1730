#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvalen {

enum class FetchOutcome {
    Answered,     // the server answered; Status tells how
    TooLarge,     // the body went beyond the limit and was dropped
    TimedOut,     // no complete answer within the time-out
    Unreachable,  // no connection (name unknown, refused, TLS failed, ...)
    Broken,       // the answer broke off or made no sense
    Cancelled,
};

struct FetchResult {
    FetchOutcome Outcome = FetchOutcome::Unreachable;
    long Status = 0;  // HTTP status when answered
    std::vector<uint8_t> Body;
    std::string Message;  // what went wrong, for the user
};

struct FetchLimits {
    std::chrono::milliseconds Timeout{10000};  // the whole request, connection included
    size_t MaxBytes = 4 << 20;
};

// Plain HTTP(S) GET over one connection kept open between requests. Only http and https are
// spoken, redirects included. One thread fetches; Cancel may be called from any other.
class HttpClient {
public:
    explicit HttpClient(std::string userAgent);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    FetchResult Get(const std::string& url, const FetchLimits& limits);
    // Ends a request in progress at once; every later one ends as Cancelled without a try.
    void Cancel();

private:
    std::string userAgent_;
    std::string noProxy_;
    void* easy_ = nullptr;   // CURL*
    void* multi_ = nullptr;  // CURLM*
    std::atomic<bool> cancelled_{false};
};

}  // namespace korvalen
