#include "utility/tc_http.h"

#include "http/httpsession.h"
#include "utility/stopevent.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>

namespace TC_HTTP {
namespace {

constexpr auto kRetryPause = std::chrono::milliseconds(200);
constexpr long kMaxRedirects = 5;

std::mutex agentMutex;
std::string agent;

std::string UserAgent()
{
    const std::lock_guard lock(agentMutex);
    return agent;
}

// Keeps at most `limit` bytes of the body but counts all of it, so an oversized reply costs
// no memory and still reports its size.
struct Reply
{
    std::string body;
    std::size_t total = 0;
    std::size_t limit = 0;
};

std::size_t CollectBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* reply = static_cast<Reply*>(user);
    const std::size_t bytes = size * count;
    reply->total += bytes;
    if (reply->body.size() < reply->limit)
        reply->body.append(data, std::min(bytes, reply->limit - reply->body.size()));
    return bytes;
}

struct ListFree
{
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using HeaderList = std::unique_ptr<curl_slist, ListFree>;

HeaderList BuildHeaders(std::string_view lines)
{
    HeaderList list;
    // libcurl would otherwise wait for "100 Continue" before sending larger bodies.
    list.reset(curl_slist_append(nullptr, "Expect:"));
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        std::string_view line = lines.substr(0, end);
        lines = end == std::string_view::npos ? std::string_view() : lines.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty())
            continue;
        curl_slist* grown = curl_slist_append(list.get(), std::string(line).c_str());
        if (grown != nullptr) {
            static_cast<void>(list.release());
            list.reset(grown);
        }
    }
    return list;
}

// Waits before another attempt; true when a stop came meanwhile.
bool StoppedDuringPause(const StopEvent* stop)
{
    if (stop == nullptr) {
        std::this_thread::sleep_for(kRetryPause);
        return false;
    }
    return stop->Wait(kRetryPause);
}

void SetMethod(CURL* handle, const TC_HttpParam& param)
{
    if (param.method.empty() || param.method == "GET") {
        curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
        return;
    }
    if (param.method != "POST")
        curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, param.method.c_str());
    if (param.method == "POST" || !param.body.empty()) {
        curl_easy_setopt(handle, CURLOPT_POST, 1L);
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, param.body.data());
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(param.body.size()));
    }
}

} // namespace

void Init(std::string_view userAgent)
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const std::lock_guard lock(agentMutex);
    agent = userAgent;
}

void Release()
{
    curl_global_cleanup();
}

int Request(const TC_HttpParam& param)
{
    const std::uint32_t capacity = param.response != nullptr ? param.capacity : 0;
    if (capacity > 0)
        param.response[0] = '\0';
    HttpSession session;
    if (!session.IsValid())
        return 0;
    CURL* easy = session.Handle();
    const std::string userAgent = UserAgent();
    const HeaderList headers = BuildHeaders(param.headerLines);
    Reply reply;
    reply.limit = capacity;

    curl_easy_setopt(easy, CURLOPT_URL, param.url.c_str());
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(param.timeoutMs));
    session.SetTimeout(std::chrono::milliseconds(param.timeoutMs));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    if (!userAgent.empty())
        curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, CollectBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &reply);
    SetMethod(easy, param);

    // Only a request that never reached the peer is sent again: once it may have arrived (a
    // dropped reply, a broken send), a second copy could submit a task twice.
    const std::uint32_t attempts = std::max<std::uint32_t>(param.attempts, 1);
    HttpSession::Outcome outcome = HttpSession::Outcome::Failed;
    for (std::uint32_t attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0 && StoppedDuringPause(param.stopEvent))
            return 0;
        reply.body.clear();
        reply.total = 0;
        outcome = session.Perform(param.stopEvent);
        if (outcome != HttpSession::Outcome::Failed || !session.ConnectFailed())
            break;
    }
    // A transfer that broke off leaves a partial body: no exchange rather than wrong data.
    if (outcome != HttpSession::Outcome::Done)
        return 0;
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);

    if (reply.total < capacity) {
        std::memcpy(param.response, reply.body.data(), reply.body.size());
        param.response[reply.body.size()] = '\0';
    } else if (param.needed != nullptr) {
        *param.needed = static_cast<std::uint32_t>(
            std::min<std::size_t>(reply.total + 1, std::numeric_limits<std::uint32_t>::max()));
    }
    return static_cast<int>(status);
}

} // namespace TC_HTTP
