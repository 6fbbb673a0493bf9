#include "account/userinforefreshthread.h"

#include "account/userinfosession.h"

CUserInfoRefreshThread::CUserInfoRefreshThread(UserInfoSession& userInfo) : userInfo(userInfo) {}

int CUserInfoRefreshThread::Run()
{
    // A failed request stores the default record itself.
    return userInfo.GetUserInfo(true).ok ? 0 : 1;
}
