#include "task/serviceaccess.h"

#include "base/tokenrecord.h"
#include "http/urlcoding.h"
#include "utility/utilitycalls.h"

ServiceAccess::ServiceAccess(std::string apiBase, TokenProvider* tokens)
    : apiBase(std::move(apiBase)), tokens(tokens)
{
}

std::optional<std::string> ServiceAccess::Token() const
{
    return Utility::Utf8ToUnicode(tokens ? tokens->GetToken(false).token : std::string());
}

bool ServiceAccess::RefreshTokenIfExpired(std::optional<std::int32_t> ret) const
{
    if (ret != 403)
        return false;
    if (tokens)
        tokens->GetToken(true);
    return true;
}

std::string
ServiceAccess::Url(std::string_view path,
                   std::initializer_list<std::pair<std::string_view, std::string_view>> query) const
{
    std::string url = apiBase;
    url += path;
    char separator = '?';
    for (const auto& [key, value] : query) {
        url += separator;
        url += key;
        url += '=';
        url += UrlEncodeBytes(value);
        separator = '&';
    }
    return url;
}
