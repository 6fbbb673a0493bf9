#pragma once

#include <optional>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

class SessionStore;

// The user whose token the request carries; without a valid one, nothing, and the response
// says so.
std::optional<int> AuthorizedUser(SessionStore& sessions, const httplib::Request& request,
                                  httplib::Response& response);
