#pragma once

#include "update/checkupdatethread.h"

// The update checks of one program run: where they look and their threads. The main window
// starts them; it outlives neither.
struct UpdateChecks
{
    UpdateSource source;
    OwnedThread<CStartupUpdateThread> startup;
    OwnedThread<CCheckUpdateThread> manual;
};
