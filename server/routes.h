#pragma once

#include "healthroutes.h"
#include "routesettings.h"
#include "signonroutes.h"
#include "staticroutes.h"
#include "taskroutes.h"
#include "toolroutes.h"
#include "webpages.h"

namespace httplib {
class Server;
}

class AccountStore;
class ConversionService;
class SessionStore;
class TaskStore;

// The service's HTTP endpoints, by concern: the task API with its results and home list,
// the single sign-on with the user information, the files it serves as they are, the web
// site's pages with their PDF tools, and the instance's health and figures.
class Routes
{
public:
    using Settings = RouteSettings;

    Routes(AccountStore& accounts, SessionStore& sessions, TaskStore& tasks,
           ConversionService& conversions, const Settings& settings);
    void Register(httplib::Server& server);

private:
    TaskRoutes taskRoutes;
    SignOnRoutes signOnRoutes;
    StaticRoutes staticRoutes;
    WebPages webPages;
    ToolRoutes toolRoutes;
    HealthRoutes healthRoutes;
};
