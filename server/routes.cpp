#include "routes.h"

Routes::Routes(AccountStore& accounts, SessionStore& sessions, TaskStore& tasks,
               ConversionService& conversions, const Settings& settings)
    : taskRoutes(sessions, tasks, conversions, settings),
      signOnRoutes(accounts, sessions, settings), staticRoutes(settings),
      webPages(sessions, settings), toolRoutes(sessions, settings.tools),
      healthRoutes(tasks, conversions)
{
}

void Routes::Register(httplib::Server& server)
{
    taskRoutes.Register(server);
    signOnRoutes.Register(server);
    staticRoutes.Register(server);
    webPages.Register(server);
    toolRoutes.Register(server);
    healthRoutes.Register(server);
}
