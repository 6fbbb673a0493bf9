#pragma once

#include <chrono>
#include <optional>
#include <string>

class ServiceStore;

// Sign-in state of the service: ticket-granting tickets of the single sign-on, one-time
// service tickets bound to the service they were issued for, and the tokens that API calls
// carry. Every entry expires; all of them are kept in the service's store, so a restart
// signs nobody out.
class SessionStore
{
public:
    using Clock = std::chrono::system_clock;

    struct Lifetimes
    {
        std::chrono::seconds grantingTicket{8 * 3600};
        std::chrono::seconds serviceTicket{300};
        std::chrono::seconds token{7200};
    };

    struct Token
    {
        std::string token;
        long long expireSeconds = 0;
    };

    SessionStore(ServiceStore& store, Lifetimes lifetimes);

    std::optional<std::string> CreateGrantingTicket(int userId);
    std::optional<std::string> IssueServiceTicket(const std::string& grantingTicket,
                                                  const std::string& service);
    bool DestroyGrantingTicket(const std::string& grantingTicket);
    // A service ticket is good for one exchange, and only for the service it was issued
    // for; any attempt uses it up.
    std::optional<Token> RedeemServiceTicket(const std::string& serviceTicket,
                                             const std::string& service);
    std::optional<int> UserOfToken(const std::string& token);
    // Forgets expired entries.
    void Sweep();

private:
    ServiceStore& store;
    Lifetimes lifetimes;
};
