#pragma once

#include <cstdint>
#include <mutex>
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

// The token record under its lock: readers get copies, writers replace it whole.
class LockedTokenRecord
{
public:
    TokenRecord Get() const;
    void Set(TokenRecord record);
    void Reset() { Set(TokenRecord{}); }

private:
    mutable std::mutex mutex;
    TokenRecord record;
};
