#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstdint>

class StopEvent;

// One libcurl easy handle and the loop that runs it on the calling thread. The loop wakes at
// least every few milliseconds, so a stop request or a silent peer ends the exchange
// promptly even when no byte moves. Owned by the transfer that uses it.
class HttpSession
{
public:
    enum class Outcome
    {
        Done,
        Failed,
        TimedOut,
        Stopped,
    };

    // Used where the caller leaves the time-outs alone.
    static constexpr std::chrono::milliseconds kDefaultTimeout{60000};

    HttpSession();
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    bool IsValid() const { return easy != nullptr && multi != nullptr; }
    CURL* Handle() const { return easy; }

    // Connection attempts per exchange (connection refused or unreachable is retried).
    void SetConnectAttempts(int count);
    int ConnectAttempts() const { return connectAttempts; }
    // Limits both the connection set-up and any silence of the peer once connected.
    bool SetTimeout(std::chrono::milliseconds timeout);

    // Called by a data callback that saw the stop request and aborted the transfer.
    void MarkStopped() { stopped = true; }
    bool StopRequested() const;

    // Runs one exchange with the options set on Handle().
    Outcome Perform(const StopEvent* stopEvent);
    // True when the last Perform failed before anything was sent: the name did not resolve
    // or no connection (plain or TLS) was made.
    bool ConnectFailed() const;

private:
    static int OnTransferInfo(void* self, curl_off_t downloadTotal, curl_off_t downloadNow,
                              curl_off_t uploadTotal, curl_off_t uploadNow);
    // False when the exchange must end: stop requested or the peer silent for too long.
    bool KeepGoing(std::uint64_t bytesMoved);

    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    int connectAttempts = 1;
    std::chrono::milliseconds idleTimeout = kDefaultTimeout;
    const StopEvent* stop = nullptr;
    bool stopped = false;
    bool timedOut = false;
    CURLcode lastCode = CURLE_OK;
    std::uint64_t lastBytes = 0;
    std::chrono::steady_clock::time_point lastActivity;
};
