#pragma once

#include "account/userinforecord.h"
#include "base/tokenrecord.h"

#include <optional>
#include <string>
#include <string_view>

// The user's record at the service, fetched with a fresh token. Requests may run on several
// threads at once; the last to finish wins.
class UserInfoSession
{
public:
    // `apiBase` is the service's base URL.
    UserInfoSession(TokenProvider& tokens, std::string apiBase);

    // refresh false reads the current record; refresh true renews the token and asks anew.
    UserInfoRecord GetUserInfo(bool refresh);
    UserInfoRecord Current() const { return record.Get(); }
    void Store(UserInfoRecord value) { record.Set(std::move(value)); }
    void ResetUserInfoRecord() { record.Reset(); }

private:
    std::optional<UserInfoRecord> Request();

    TokenProvider& tokens;
    const std::string apiBase;
    LockedUserInfoRecord record;
};

// The user information reply; nothing unless every member is there and readable.
std::optional<UserInfoRecord> ParseUserInfoReply(std::string_view body);
