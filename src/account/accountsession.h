#pragma once

#include "account/tokensession.h"
#include "account/userinfosession.h"

// The process's session with the service: the token and the user's record, both kept for
// the signed-in user of an AccountLibrary.
struct AccountSession
{
    AccountSession(AccountLibrary& account, const std::string& apiBase,
                   const std::string& casAddress)
        : tokens(account, apiBase, casAddress), userInfo(tokens, apiBase)
    {
    }

    TokenSession tokens;
    UserInfoSession userInfo;
};
