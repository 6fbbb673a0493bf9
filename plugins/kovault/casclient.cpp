#include "casclient.h"

#include "utility/textcase.h"
#include "weborigin.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string_view>

namespace {

constexpr long kConnectTimeoutSeconds = 10;
constexpr long kTimeoutSeconds = 30;

struct Reply
{
    long status = 0; // 0 when no exchange took place
    std::string body;
    std::string location;
};

std::size_t CollectBody(char* data, std::size_t size, std::size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

std::size_t CollectLocation(char* data, std::size_t size, std::size_t count, void* target)
{
    const std::string_view line(data, size * count);
    constexpr std::string_view kName = "location:";
    if (line.size() > kName.size() && StartsWithNoCase(line, kName)) {
        std::string_view value = line.substr(kName.size());
        while (!value.empty() && std::isspace(static_cast<unsigned char>(value.front())))
            value.remove_prefix(1);
        while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back())))
            value.remove_suffix(1);
        *static_cast<std::string*>(target) = value;
    }
    return size * count;
}

std::string FormValue(CURL* curl, std::string_view name, const std::string& value)
{
    char* escaped = curl_easy_escape(curl, value.c_str(), static_cast<int>(value.size()));
    std::string field = std::string(name) + "=" + (escaped ? escaped : "");
    curl_free(escaped);
    return field;
}

struct CurlDeleter
{
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

// One exchange; `form` holds name/value pairs sent as an urlencoded body.
Reply Exchange(const char* method, const std::string& url,
               std::initializer_list<std::pair<std::string_view, std::string>> form)
{
    Reply reply;
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        return reply;
    std::string body;
    for (const auto& [name, value] : form) {
        if (!body.empty())
            body += '&';
        body += FormValue(curl.get(), name, value);
    }

    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_CUSTOMREQUEST, method);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, kTimeoutSeconds);
    curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "http,https");
    if (std::string_view(method) == "POST") {
        curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    }
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, CollectBody);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERFUNCTION, CollectLocation);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERDATA, &reply.location);
    if (curl_easy_perform(curl.get()) == CURLE_OK)
        curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &reply.status);
    else
        reply.status = 0;
    return reply;
}

// Wrong credentials (older servers answer 400).
bool IsCredentialRefusal(long status)
{
    return status == 400 || status == 401 || status == 403;
}

// The granting ticket expired or was deleted; a 400 is a bad request, not a lost sign-in.
bool IsTicketRefusal(long status)
{
    return status == 401 || status == 403 || status == 404 || status == 410;
}

bool IsHttpUrl(const std::string& url)
{
    return url.starts_with("http://") || url.starts_with("https://");
}

} // namespace

CasClient::CasClient(std::string ssoUrl) : ssoUrl(std::move(ssoUrl)) {}

CasClient::Result CasClient::RequestGrantingTicket(const std::string& userName,
                                                   const std::string& password) const
{
    if (ssoUrl.empty())
        return {};
    if (SendsInClear(ssoUrl))
        return {Status::Insecure, {}};
    const Reply reply =
        Exchange("POST", ssoUrl + "/v1/tickets", {{"username", userName}, {"password", password}});
    if (reply.status == 201 && IsHttpUrl(reply.location))
        return {Status::Ok, reply.location};
    return {IsCredentialRefusal(reply.status) ? Status::Rejected : Status::Unreachable, {}};
}

CasClient::Result CasClient::RequestServiceTicket(const std::string& grantingTicketUrl,
                                                  const std::string& service) const
{
    const Reply reply = Exchange("POST", grantingTicketUrl, {{"service", service}});
    std::string ticket = reply.body;
    while (!ticket.empty() && std::isspace(static_cast<unsigned char>(ticket.back())))
        ticket.pop_back();
    if (reply.status == 200 && !ticket.empty())
        return {Status::Ok, ticket};
    return {IsTicketRefusal(reply.status) ? Status::Rejected : Status::Unreachable, {}};
}

CasClient::Status CasClient::Destroy(const std::string& grantingTicketUrl) const
{
    const Reply reply = Exchange("DELETE", grantingTicketUrl, {});
    if (reply.status >= 200 && reply.status < 300)
        return Status::Ok;
    return IsTicketRefusal(reply.status) ? Status::Rejected : Status::Unreachable;
}
