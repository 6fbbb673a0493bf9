#include "webcookie.h"

#include <httplib.h>

namespace WebCookie {
namespace {

constexpr std::string_view kName = "dokora_token=";

} // namespace

std::string Token(const httplib::Request& request)
{
    const std::string cookies = request.get_header_value("Cookie");
    for (std::size_t at = 0; at < cookies.size();) {
        const std::size_t end = std::min(cookies.find(';', at), cookies.size());
        std::string_view cookie(cookies.data() + at, end - at);
        while (!cookie.empty() && cookie.front() == ' ') {
            cookie.remove_prefix(1);
        }
        if (cookie.starts_with(kName)) {
            return std::string(cookie.substr(kName.size()));
        }
        at = end + 1;
    }
    return {};
}

std::string Keep(const std::string& token, std::chrono::seconds lifetime)
{
    return std::string(kName) + token +
           "; Path=/; HttpOnly; SameSite=Strict; Max-Age=" + std::to_string(lifetime.count());
}

} // namespace WebCookie
