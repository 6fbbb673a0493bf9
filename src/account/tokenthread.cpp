#include "account/tokenthread.h"

#include "account/accountlibrary.h"
#include "base/tokenrecord.h"

CTokenThread::CTokenThread(TokenProvider& tokens, AccountLibrary& account)
    : tokens(tokens), account(account)
{
}

int CTokenThread::Run()
{
    if (tokens.GetToken(true).ok)
        return 0;
    if (GetLogoutOnFailure()) {
        SetLogoutOnFailure(0);
        LogoutIfSignedIn(account);
    }
    PostNetError();
    return 1;
}
