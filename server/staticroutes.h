#pragma once

#include "routesettings.h"

namespace httplib {
class Server;
struct Response;
} // namespace httplib

// The files the service hands out as they are: the version file, the installer and its
// signature of the update directory, and the head icon every account shows.
class StaticRoutes
{
public:
    explicit StaticRoutes(RouteSettings settings);
    void Register(httplib::Server& server);

private:
    void VersionFile(httplib::Response& response);
    // The installer or its detached signature, as the update directory holds it.
    void UpdateFile(httplib::Response& response, const char* name);
    static void Avatar(httplib::Response& response);

    const RouteSettings settings;
};
