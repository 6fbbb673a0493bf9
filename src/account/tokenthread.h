#pragma once

#include "base/taskbasethread.h"

class AccountLibrary;
class TokenProvider;

// Renews the session token in the background; a failed run tells the main window and, when
// asked to, signs the user out.
class CTokenThread : public CTaskBaseThread
{
public:
    CTokenThread(TokenProvider& tokens, AccountLibrary& account);

protected:
    int Run() override;

private:
    TokenProvider& tokens;
    AccountLibrary& account;
};
