#pragma once

#include "base/lockedrecord.h"

#include <cstdint>
#include <string>

// The signed-in user's record at the service.
struct UserInfoRecord
{
    bool ok = false;
    bool isVip = false;
    std::int32_t ret = -1;
    std::int32_t userId = -1;
    float balance = -1.0f;
    std::string msg;
    std::string userType;
    bool firstLogin = false;

    bool operator==(const UserInfoRecord&) const = default;
};

using LockedUserInfoRecord = LockedRecord<UserInfoRecord>;
