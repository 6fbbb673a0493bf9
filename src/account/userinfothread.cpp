#include "account/userinfothread.h"

#include "account/accountlibrary.h"
#include "account/userinfosession.h"
#include "base/tokenrecord.h"

CUserInfoThread::CUserInfoThread(TokenProvider& tokens, UserInfoSession& userInfo,
                                 AccountLibrary& account)
    : tokens(tokens), userInfo(userInfo), account(account)
{
}

int CUserInfoThread::Run()
{
    const TokenRecord token = tokens.GetToken(true);
    if (token.ok && !token.token.empty() && userInfo.GetUserInfo(true).ok)
        return 0;

    // The other fields keep what the service said last.
    UserInfoRecord stale = userInfo.Current();
    stale.ok = false;
    userInfo.Store(std::move(stale));

    if (GetLogoutOnFailure()) {
        SetLogoutOnFailure(0);
        LogoutIfSignedIn(account);
    }
    PostNetError();
    return 1;
}
