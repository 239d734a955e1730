#include "earth/HttpFetch.h"

#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>

namespace korvalen {
namespace {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Receiver {
    std::vector<uint8_t>* body;
    size_t maxBytes;
    bool tooLarge = false;
};

size_t Receive(char* data, size_t size, size_t count, void* user) {
    auto* r = static_cast<Receiver*>(user);
    const size_t n = size * count;
    if (n > r->maxBytes - r->body->size()) {
        r->tooLarge = true;
        return 0;  // libcurl ends the transfer with a write error
    }
    r->body->insert(r->body->end(), data, data + n);
    return n;
}

bool IsConnectionFailure(CURLcode code) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_CONNECT:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
            return true;
        default:
            return false;
    }
}

}  // namespace

HttpClient::HttpClient(std::string userAgent) : userAgent_(std::move(userAgent)) {
    InitCurlOnce();
    // A server on this machine is never asked through a proxy; the user's own exceptions stay.
    for (const char* name : {"no_proxy", "NO_PROXY"})
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0') {
            noProxy_ = std::string(value) + ",";
            break;
        }
    noProxy_ += "localhost,127.0.0.1,::1";
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
    if (easy_ == nullptr || multi_ == nullptr) {
        curl_easy_cleanup(easy_);
        curl_multi_cleanup(multi_);
        throw std::runtime_error("the network library cannot be started");
    }
}

HttpClient::~HttpClient() {
    curl_easy_cleanup(static_cast<CURL*>(easy_));
    curl_multi_cleanup(static_cast<CURLM*>(multi_));
}

void HttpClient::Cancel() {
    cancelled_ = true;
    curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

FetchResult HttpClient::Get(const std::string& url, const FetchLimits& limits) {
    FetchResult result;
    if (cancelled_) {
        result.Outcome = FetchOutcome::Cancelled;
        result.Message = "cancelled";
        return result;
    }
    auto* easy = static_cast<CURL*>(easy_);
    auto* multi = static_cast<CURLM*>(multi_);
    Receiver receiver{&result.Body, limits.MaxBytes};
    char errorText[CURL_ERROR_SIZE] = "";
    const long timeoutMs = static_cast<long>(limits.Timeout.count());

    // The handle keeps its connection between requests; the options are set anew each time.
    curl_easy_reset(easy);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent_.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.MaxBytes));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Receive);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &receiver);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(easy, CURLOPT_NOPROXY, noProxy_.c_str());

    curl_multi_add_handle(multi, easy);
    CURLcode code = CURLE_OK;
    bool finished = false;
    while (!cancelled_) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            break;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued))
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                code = message->data.result;
                finished = true;
            }
        if (finished || running == 0)
            break;
        curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.Status);
    curl_multi_remove_handle(multi, easy);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, nullptr);

    const std::string detail = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
    if (cancelled_) {
        result.Outcome = FetchOutcome::Cancelled;
        result.Message = "cancelled";
    } else if (!finished) {
        result.Outcome = FetchOutcome::Broken;
        result.Message = "the network library failed";
    } else if (code == CURLE_OK) {
        result.Outcome = FetchOutcome::Answered;
        return result;
    } else if (receiver.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        result.Outcome = FetchOutcome::TooLarge;
        result.Message =
            "the answer is larger than " + std::to_string(limits.MaxBytes >> 20) + " MB";
    } else if (code == CURLE_OPERATION_TIMEDOUT) {
        result.Outcome = FetchOutcome::TimedOut;
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", timeoutMs / 1000.0);
        result.Message = std::string("no answer within ") + seconds + " s";
    } else if (IsConnectionFailure(code)) {
        result.Outcome = FetchOutcome::Unreachable;
        result.Message = detail;
    } else {
        result.Outcome = FetchOutcome::Broken;
        result.Message = detail;
    }
    result.Body.clear();
    return result;
}

}  // namespace korvalen
