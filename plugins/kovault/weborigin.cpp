#include "weborigin.h"

#include "utility/textcase.h"

#include <curl/curl.h>

#include <arpa/inet.h>

#include <memory>

namespace {

struct UrlDeleter
{
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

std::optional<std::string> Part(CURLU* url, CURLUPart part, unsigned int flags)
{
    char* value = nullptr;
    if (curl_url_get(url, part, &value, flags) != CURLUE_OK || !value)
        return std::nullopt;
    std::string text = value;
    curl_free(value);
    return text;
}

bool IsLoopbackHost(const std::string& host)
{
    if (host == "localhost" || host == "[::1]")
        return true;
    in_addr address{};
    return inet_pton(AF_INET, host.c_str(), &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

} // namespace

std::optional<WebOrigin> OriginOf(const std::string& text)
{
    std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    auto scheme = Part(url.get(), CURLUPART_SCHEME, 0);
    auto host = Part(url.get(), CURLUPART_HOST, 0);
    auto port = Part(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    if (!scheme || !host || !port || (*scheme != "http" && *scheme != "https"))
        return std::nullopt;
    return WebOrigin{*scheme, ToLower(*host), *port};
}

bool SameSite(const std::string& a, const std::string& b)
{
    const auto first = OriginOf(a);
    return first && first == OriginOf(b);
}

bool SendsInClear(const std::string& url)
{
    const auto origin = OriginOf(url);
    return !origin || (origin->scheme == "http" && !IsLoopbackHost(origin->host));
}
