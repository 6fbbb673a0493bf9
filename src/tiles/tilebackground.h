#pragma once

#include "tiles/homesortlistthread.h"
#include "tiles/webpagethread.h"

#include <cstdint>
#include <string>

class AccountLibrary;
class ClientInfoRecord;
class HomeSortList;
class MessageTarget;

// The tile pages' work off the UI thread: fetching the home list and handing the service's web
// pages to the desktop. Built by the program's main; the window attaches itself and asks.
class TileBackground
{
public:
    TileBackground(HomeSortList& homeSortList, std::string apiBase, AccountLibrary& account,
                   const ClientInfoRecord& clientInfo);

    // The window that hears what the threads find.
    void Attach(MessageTarget& window);
    // Each with a time limit, only when running.
    void StopThreads(std::uint32_t ms);

    CHomeSortListThread& HomeSortThread() { return homeSortThread; }
    CWebPageThread& WebPageThread() { return webPageThread; }

private:
    OwnedThread<CHomeSortListThread> homeSortThread;
    OwnedThread<CWebPageThread> webPageThread;
};
