#pragma once

#include "base/taskbasethread.h"

#include <mutex>
#include <string>

class AccountLibrary;
class ClientInfoRecord;

// Opens one of the service's web pages off the UI thread: the account plug-in first fetches a
// one-time ticket for the page, which takes as long as its sign-on server does (and opens the
// page without one when that fails). One page at a time; when the page was handed to the
// desktop it posts WM_WEB_PAGE_OPENED with the key it was started for. Owned by the main
// window.
class CWebPageThread : public CTaskBaseThread
{
public:
    // The pages are told the version in `clientInfo`.
    CWebPageThread(AccountLibrary& account, const ClientInfoRecord& clientInfo);

    // False while the previous page is still on its way: nothing new is started.
    bool Open(const std::string& key, const std::string& url);

protected:
    int Run() override;

private:
    AccountLibrary& account;
    const ClientInfoRecord& clientInfo;
    std::mutex mutex;
    std::string key; // guarded by mutex, as url
    std::string url;
};
