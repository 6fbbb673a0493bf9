#include "base/taskbasethread.h"

#include "base/accountaccess.h"
#include "base/dialogservice.h"
#include "utility/tc_common.h"

#include <chrono>

bool CTaskBaseThread::WaitForStop(std::uint32_t ms)
{
    return GetStopEvent().Wait(std::chrono::milliseconds(ms));
}

void CTaskBaseThread::PostNetError()
{
    if (!GetMainWnd())
        return;
    const char* key = TC_COMMON::IsNetworkConnectWithConnection() ? "@string/str_msgbox_server"
                                                                  : "@string/str_msgbox_net";
    Post(WM_TASK_NET_ERROR, 0, key);
}

void CTaskBaseThread::Post(std::uint32_t id, std::uintptr_t wParam, std::string payload)
{
    if (MessageTarget* window = GetMainWnd())
        window->PostWindowMessage(WindowMessage{id, wParam, 0, std::move(payload)});
}

void CTaskBaseThread::PostParams(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (MessageTarget* window = GetMainWnd())
        window->PostWindowMessage(WindowMessage{id, wParam, lParam, {}});
}

void CTaskBaseThread::StartWithNotice(MessageTarget* window, DialogService& dialogs)
{
    if (!IsRunning()) {
        SetMainWnd(window);
        Start();
    }
    dialogs.ShowMessage(window, MsgBoxMode::Notice, "@string/str_msgbox_server_data");
}

void CTaskBaseThread::LogoutIfSignedIn(AccountAccess& account)
{
    if (account.IsSignedIn())
        account.Logout();
}
