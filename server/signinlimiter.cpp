#include "signinlimiter.h"

#include <algorithm>

namespace {

// Beyond this many names or addresses, those without a recent attempt are forgotten.
constexpr std::size_t kKeysBeforeCleanUp = 4096;

} // namespace

SignInLimiter::SignInLimiter(Limits limits) : limits(limits) {}

std::optional<std::chrono::seconds> SignInLimiter::Wait(Log& log, const std::string& key,
                                                        std::size_t limit,
                                                        std::chrono::seconds window,
                                                        Clock::time_point now)
{
    const auto found = log.find(key);
    if (found == log.end()) {
        return std::nullopt;
    }
    auto& times = found->second;
    while (!times.empty() && times.front() + window <= now) {
        times.pop_front();
    }
    if (times.size() < limit) {
        return std::nullopt;
    }
    const auto left =
        std::chrono::ceil<std::chrono::seconds>(times[times.size() - limit] + window - now);
    return std::max(left, std::chrono::seconds(1));
}

void SignInLimiter::DropIdle(Log& log, std::chrono::seconds window, Clock::time_point now)
{
    if (log.size() > kKeysBeforeCleanUp) {
        std::erase_if(log, [&](const auto& entry) {
            return entry.second.empty() || entry.second.back() + window <= now;
        });
    }
}

std::optional<std::chrono::seconds>
SignInLimiter::Admit(const std::string& user, const std::string& address, Clock::time_point now)
{
    std::lock_guard lock(mutex);
    const auto byAddress =
        Wait(addresses, address, limits.attemptsPerAddress, limits.addressWindow, now);
    const auto byUser = Wait(users, user, limits.failuresPerUser, limits.userWindow, now);
    if (byAddress || byUser) {
        return std::max(byAddress.value_or(std::chrono::seconds(0)),
                        byUser.value_or(std::chrono::seconds(0)));
    }
    DropIdle(addresses, limits.addressWindow, now);
    addresses[address].push_back(now);
    return std::nullopt;
}

void SignInLimiter::CountFailure(const std::string& user, Clock::time_point now)
{
    std::lock_guard lock(mutex);
    DropIdle(users, limits.userWindow, now);
    users[user].push_back(now);
}
