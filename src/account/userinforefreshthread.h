#pragma once

#include "base/taskbasethread.h"

class UserInfoSession;

// Renews the user's record in the background while the user menu shows. A failure only
// resets the record: the user stays signed in and is not told, unlike the run after a
// sign-in (CUserInfoThread). Owned by the main window.
class CUserInfoRefreshThread : public CTaskBaseThread
{
public:
    explicit CUserInfoRefreshThread(UserInfoSession& userInfo);

protected:
    int Run() override;

private:
    UserInfoSession& userInfo;
};
