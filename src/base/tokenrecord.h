#pragma once

#include "base/lockedrecord.h"

#include <cstdint>
#include <string>

// The service token obtained by exchanging a sign-in ticket; every service call carries it.
struct TokenRecord
{
    bool ok = false;
    std::int32_t ret = -1;
    std::int32_t expireTime = -1;
    std::string msg;
    std::string token;

    bool operator==(const TokenRecord&) const = default;
};

// Where the pipeline stages get the token: refresh false reads the current record, refresh
// true exchanges a new ticket first.
class TokenProvider
{
public:
    virtual ~TokenProvider() = default;
    virtual TokenRecord GetToken(bool refresh) = 0;
};

using LockedTokenRecord = LockedRecord<TokenRecord>;
