#pragma once

#include "base/taskbasethread.h"

class AccountLibrary;
class TokenProvider;
class UserInfoSession;

// Establishes the session after a sign-in: a fresh token, then the user's record. A failed
// run marks the record as not current, tells the main window and, when asked to, signs the
// user out.
class CUserInfoThread : public CTaskBaseThread
{
public:
    CUserInfoThread(TokenProvider& tokens, UserInfoSession& userInfo, AccountLibrary& account);

protected:
    int Run() override;

private:
    TokenProvider& tokens;
    UserInfoSession& userInfo;
    AccountLibrary& account;
};
