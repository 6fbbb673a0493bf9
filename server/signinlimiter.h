#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>

// Limits sign-in attempts, each of which costs a password derivation: every attempt from one
// address within a short window, and the failed attempts for one user name within a longer
// one. Kept in memory: the limit protects this process's processors. Thread-safe.
class SignInLimiter
{
public:
    using Clock = std::chrono::steady_clock;

    struct Limits
    {
        std::size_t attemptsPerAddress = 30;
        std::chrono::seconds addressWindow{60};
        std::size_t failuresPerUser = 10;
        std::chrono::seconds userWindow{15 * 60};
    };

    explicit SignInLimiter(Limits limits);

    // Nothing when the attempt may go ahead (it is counted for its address); otherwise how
    // long until the next attempt may.
    std::optional<std::chrono::seconds> Admit(const std::string& user, const std::string& address,
                                              Clock::time_point now);
    void CountFailure(const std::string& user, Clock::time_point now);

private:
    using Log = std::map<std::string, std::deque<Clock::time_point>, std::less<>>;

    static std::optional<std::chrono::seconds> Wait(Log& log, const std::string& key,
                                                    std::size_t limit, std::chrono::seconds window,
                                                    Clock::time_point now);
    static void DropIdle(Log& log, std::chrono::seconds window, Clock::time_point now);

    Limits limits;
    std::mutex mutex;
    Log addresses;
    Log users;
};
