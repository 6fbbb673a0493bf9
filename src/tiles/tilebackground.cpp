#include "tiles/tilebackground.h"

#include <utility>

TileBackground::TileBackground(HomeSortList& homeSortList, std::string apiBase,
                               AccountLibrary& account, const ClientInfoRecord& clientInfo)
    : homeSortThread(homeSortList, std::move(apiBase)), webPageThread(account, clientInfo)
{
}

void TileBackground::Attach(MessageTarget& window)
{
    homeSortThread.SetMainWnd(&window);
    webPageThread.SetMainWnd(&window);
}

void TileBackground::StopThreads(std::uint32_t ms)
{
    for (CTC_Thread* thread :
         {static_cast<CTC_Thread*>(&homeSortThread), static_cast<CTC_Thread*>(&webPageThread)}) {
        if (thread->IsRunning())
            thread->StopWait(ms);
    }
}
