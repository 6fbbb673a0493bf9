#pragma once

#include "routesettings.h"

#include <string>
#include <string_view>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

class SessionStore;

// The service's web site: the home page and one page per tool the client opens in the
// browser, each with its form for the PDF tools' endpoints. A page opened with the client's
// one-time ticket signs its user in.
class WebPages
{
public:
    WebPages(SessionStore& sessions, RouteSettings settings);
    void Register(httplib::Server& server);

    // The page at `path` ("/" for the home page); empty when there is none.
    static std::string Page(std::string_view path, bool signedIn);

private:
    void Serve(const httplib::Request& request, httplib::Response& response);

    SessionStore& sessions;
    const RouteSettings settings;
};
