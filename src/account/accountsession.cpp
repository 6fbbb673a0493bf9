#include "account/accountsession.h"

#include "settings/servicelocations.h"

AccountSession& Session()
{
    static AccountSession* const instance =
        new AccountSession(Account(), Services().api, Services().sso);
    return *instance;
}
