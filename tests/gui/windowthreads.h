#pragma once

#include "account/signinflow.h"
#include "tiles/tilebackground.h"
#include "ui/mainwnd.h"

#include <functional>
#include <string>
#include <utility>

// The sign-in flow and the tile pages' threads of a test's window, built from the services
// already set, as the program's main builds them, and handed to `services`. Declare it after
// the services it uses and destroy the window first.
struct WindowThreads
{
    using StartAccount = std::function<AccountStartup(MessageTarget* mainWnd)>;

    explicit WindowThreads(MainWndServices& services, StartAccount startAccount = {},
                           std::string workDir = {})
        : signIn({*services.account, *services.session, *services.database, *services.clientInfo,
                  services.appDataDir, std::move(workDir), std::move(startAccount),
                  [&conversions = *services.conversions] { conversions.StopRunning(1000); }}),
          tileWork(*services.homeSortList, services.apiBase, *services.account,
                   *services.clientInfo)
    {
        services.signIn = &signIn;
        services.tileWork = &tileWork;
    }

    SignInFlow signIn;
    TileBackground tileWork;
};
