#include "http/httpsession.h"

#include "utility/stopevent.h"

#include <algorithm>

namespace {

// Longest sleep of the transfer loop: bounds how late a stop request or a time-out is seen.
constexpr int kPollMs = 20;

} // namespace

HttpSession::HttpSession() : easy(curl_easy_init()), multi(curl_multi_init())
{
    if (!IsValid()) {
        return;
    }
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &HttpSession::OnTransferInfo);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    SetTimeout(kDefaultTimeout);
}

HttpSession::~HttpSession()
{
    if (easy != nullptr) {
        curl_easy_cleanup(easy);
    }
    if (multi != nullptr) {
        curl_multi_cleanup(multi);
    }
}

void HttpSession::SetConnectAttempts(int count)
{
    connectAttempts = std::max(count, 1);
}

bool HttpSession::SetTimeout(std::chrono::milliseconds timeout)
{
    idleTimeout = timeout;
    return curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeout.count())) ==
           CURLE_OK;
}

bool HttpSession::StopRequested() const
{
    return stop != nullptr && stop->IsSet();
}

bool HttpSession::ConnectFailed() const
{
    switch (lastCode) {
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
        return true;
    default:
        return false;
    }
}

int HttpSession::OnTransferInfo(void* self, curl_off_t, curl_off_t downloadNow, curl_off_t,
                                curl_off_t uploadNow)
{
    auto* session = static_cast<HttpSession*>(self);
    return session->KeepGoing(static_cast<std::uint64_t>(downloadNow + uploadNow)) ? 0 : 1;
}

bool HttpSession::KeepGoing(std::uint64_t bytesMoved)
{
    if (stopped || StopRequested()) {
        stopped = true;
        return false;
    }
    const auto now = std::chrono::steady_clock::now();
    if (bytesMoved != lastBytes) {
        lastBytes = bytesMoved;
        lastActivity = now;
    } else if (idleTimeout.count() > 0 && now - lastActivity > idleTimeout) {
        timedOut = true;
        return false;
    }
    return true;
}

HttpSession::Outcome HttpSession::Perform(const StopEvent* stopEvent)
{
    stop = stopEvent;
    stopped = false;
    timedOut = false;
    lastCode = CURLE_OK;
    lastBytes = 0;
    lastActivity = std::chrono::steady_clock::now();

    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        lastCode = CURLE_FAILED_INIT;
        return Outcome::Failed;
    }
    bool finished = false;
    int running = 1;
    while (running > 0) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            break;
        }
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                lastCode = message->data.result;
                finished = true;
            }
        }
        // Also checked here in case libcurl skips the callback while it waits.
        if (running == 0 || !KeepGoing(lastBytes)) {
            break;
        }
        curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr);
    }
    curl_multi_remove_handle(multi, easy);

    if (stopped) {
        return Outcome::Stopped;
    }
    if (timedOut || lastCode == CURLE_OPERATION_TIMEDOUT) {
        return Outcome::TimedOut;
    }
    return finished && lastCode == CURLE_OK ? Outcome::Done : Outcome::Failed;
}
