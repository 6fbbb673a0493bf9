#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>

// Sign-in state of the service: ticket-granting tickets of the single sign-on, one-time
// service tickets, and the tokens that API calls carry. Every entry expires.
class SessionStore
{
public:
    using Clock = std::chrono::steady_clock;

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

    explicit SessionStore(Lifetimes lifetimes);

    std::string CreateGrantingTicket(int userId);
    std::optional<std::string> IssueServiceTicket(const std::string& grantingTicket);
    bool DestroyGrantingTicket(const std::string& grantingTicket);
    // A service ticket is good for one exchange.
    std::optional<Token> RedeemServiceTicket(const std::string& serviceTicket);
    std::optional<int> UserOfToken(const std::string& token);

private:
    struct Entry
    {
        int userId = 0;
        Clock::time_point expires;
    };
    using Table = std::map<std::string, Entry, std::less<>>;

    static std::optional<int> Live(Table& table, const std::string& key, bool consume);
    void DropExpired();

    Lifetimes lifetimes;
    std::mutex mutex;
    Table grantingTickets;
    Table serviceTickets;
    Table tokens;
    Clock::time_point nextSweep;
};
