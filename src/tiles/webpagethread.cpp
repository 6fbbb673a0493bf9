#include "tiles/webpagethread.h"

#include "account/accountlibrary.h"
#include "settings/clientinfo.h"

CWebPageThread::CWebPageThread(AccountLibrary& account, const ClientInfoRecord& clientInfo)
    : account(account), clientInfo(clientInfo)
{
}

bool CWebPageThread::Open(const std::string& key, const std::string& url)
{
    if (IsRunning())
        return false;
    {
        std::lock_guard lock(mutex);
        this->key = key;
        this->url = url;
    }
    return Start();
}

int CWebPageThread::Run()
{
    std::string page;
    std::string startedFor;
    {
        std::lock_guard lock(mutex);
        page = url;
        startedFor = key;
    }
    // Runs on this thread: the plug-in's ticket request blocks until its server answers.
    account.OpenWebPage(page, clientInfo.Get().version);
    Post(WM_WEB_PAGE_OPENED, 0, startedFor);
    return 0;
}
