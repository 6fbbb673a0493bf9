#pragma once

#include <chrono>
#include <string>

namespace httplib {
struct Request;
}

// The web site's sign-in: a page opened with a one-time ticket trades it for a token kept in
// a cookie that scripts cannot read and other sites' requests do not carry.
namespace WebCookie {

// The token of the cookie, or "" when the request has none.
std::string Token(const httplib::Request& request);
// The Set-Cookie value that keeps `token` for `lifetime`.
std::string Keep(const std::string& token, std::chrono::seconds lifetime);

} // namespace WebCookie
