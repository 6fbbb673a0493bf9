#pragma once

#include "base/tc_thread.h"
#include "base/windowmessage.h"

#include <atomic>
#include <cstdint>

class AccountAccess;
class DialogService;

// A worker thread that reports to the main window through posted messages. Nothing is posted
// while no window is set.
class CTaskBaseThread : public CTC_Thread
{
public:
    void SetMainWnd(MessageTarget* window) { mainWnd.store(window); }
    MessageTarget* GetMainWnd() const { return mainWnd.load(); }
    int GetLogoutOnFailure() const { return logoutOnFailure.load(); }
    void SetLogoutOnFailure(int value) { logoutOnFailure.store(value); }

    // True when a stop is requested within `ms`.
    bool WaitForStop(std::uint32_t ms);
    // True when a stop has been requested; never waits.
    bool StopRequested() { return GetStopEvent().IsSet(); }
    // Posts WM_TASK_NET_ERROR with the key of the message to show: the service is unreachable
    // while a network exists, or there is no network at all.
    void PostNetError();
    // For data a background thread has not delivered yet: starts the thread unless it runs,
    // then always tells the user the data is still being prepared.
    void StartWithNotice(MessageTarget* window, DialogService& dialogs);
    // Signs the user out when the account plug-in reports one signed in.
    static void LogoutIfSignedIn(AccountAccess& account);

protected:
    void Post(std::uint32_t id, std::uintptr_t wParam = 0, std::string payload = {});
    void PostParams(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam);

private:
    std::atomic<MessageTarget*> mainWnd{nullptr};
    std::atomic<int> logoutOnFailure{0};
};
