#include "sessionstore.h"

#include "randomid.h"

SessionStore::SessionStore(Lifetimes lifetimes) : lifetimes(lifetimes), nextSweep(Clock::now()) {}

std::optional<int> SessionStore::Live(Table& table, const std::string& key, bool consume)
{
    const auto found = table.find(key);
    if (found == table.end()) {
        return std::nullopt;
    }
    const Entry entry = found->second;
    if (consume || entry.expires <= Clock::now()) {
        table.erase(found);
    }
    if (entry.expires <= Clock::now()) {
        return std::nullopt;
    }
    return entry.userId;
}

void SessionStore::DropExpired()
{
    const auto now = Clock::now();
    if (now < nextSweep) {
        return;
    }
    nextSweep = now + std::chrono::minutes(1);
    for (Table* table : {&grantingTickets, &serviceTickets, &tokens}) {
        std::erase_if(*table, [now](const auto& item) { return item.second.expires <= now; });
    }
}

std::string SessionStore::CreateGrantingTicket(int userId)
{
    std::lock_guard lock(mutex);
    DropExpired();
    std::string ticket = RandomId("TGT-");
    grantingTickets[ticket] = {userId, Clock::now() + lifetimes.grantingTicket};
    return ticket;
}

std::optional<std::string> SessionStore::IssueServiceTicket(const std::string& grantingTicket)
{
    std::lock_guard lock(mutex);
    DropExpired();
    const auto user = Live(grantingTickets, grantingTicket, false);
    if (!user) {
        return std::nullopt;
    }
    std::string ticket = RandomId("ST-");
    serviceTickets[ticket] = {*user, Clock::now() + lifetimes.serviceTicket};
    return ticket;
}

bool SessionStore::DestroyGrantingTicket(const std::string& grantingTicket)
{
    std::lock_guard lock(mutex);
    return grantingTickets.erase(grantingTicket) > 0;
}

std::optional<SessionStore::Token>
SessionStore::RedeemServiceTicket(const std::string& serviceTicket)
{
    std::lock_guard lock(mutex);
    DropExpired();
    const auto user = Live(serviceTickets, serviceTicket, true);
    if (!user) {
        return std::nullopt;
    }
    std::string token = RandomId("");
    tokens[token] = {*user, Clock::now() + lifetimes.token};
    return Token{token, lifetimes.token.count()};
}

std::optional<int> SessionStore::UserOfToken(const std::string& token)
{
    std::lock_guard lock(mutex);
    DropExpired();
    return Live(tokens, token, false);
}
