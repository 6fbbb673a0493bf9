#include "settings/weblinks.h"

#include "http/urlcoding.h"

namespace {

constexpr const char* kClientQuery = "?extra=PC&Device=PC";

} // namespace

namespace WebLinks {

std::string HomePage(const std::string& webBase)
{
    std::string url = webBase;
    url += '/';
    url += kClientQuery;
    return url;
}

std::string ContactPage(const std::string& webBase, const std::string& md)
{
    std::string url = webBase;
    url += kClientQuery;
    if (!md.empty()) {
        url += "&MD=";
        url += UrlEncodeBytes(md);
    }
    return url;
}

} // namespace WebLinks
