#pragma once

#include <string>
#include <string_view>

namespace httplib {
class Server;
}

// The service's web site: the home page and one page per tool the client opens in the
// browser. Each page says what its tool does; the tools themselves are still to come.
class WebPages
{
public:
    void Register(httplib::Server& server);

    // The page at `path` ("/" for the home page); empty when there is none.
    static std::string Page(std::string_view path);
};
