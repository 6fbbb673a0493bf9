#pragma once

#include "account/accountlibrary.h"
#include "base/tokenrecord.h"

#include <optional>
#include <string>
#include <string_view>

// The session token: exchanges the signed-in user's ticket at the service for a token and
// keeps the result. Exchanges may run on several threads at once; the last to finish wins.
class TokenSession : public TokenProvider
{
public:
    // `apiBase` is the service's base URL, `casAddress` the single-sign-on address given to the
    // plug-in before each ticket.
    TokenSession(AccountLibrary& account, std::string apiBase, std::string casAddress);

    TokenRecord GetToken(bool refresh) override;
    void ResetTokenRecord() { record.Reset(); }

private:
    std::optional<TokenRecord> Exchange();

    AccountLibrary& account;
    const std::string apiBase;
    const std::string casAddress;
    LockedTokenRecord record;
};

// The ticket exchange's reply; nothing unless every member is there and readable.
std::optional<TokenRecord> ParseTokenReply(std::string_view body);
