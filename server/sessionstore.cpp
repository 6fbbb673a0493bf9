#include "sessionstore.h"

#include "randomid.h"
#include "servicestore.h"

namespace {

using Kind = ServiceStore::SessionKind;

// Service addresses compare without a trailing "/".
std::string_view WithoutTrailingSlash(std::string_view address)
{
    while (!address.empty() && address.back() == '/') {
        address.remove_suffix(1);
    }
    return address;
}

bool SameService(const std::string& a, const std::string& b)
{
    return WithoutTrailingSlash(a) == WithoutTrailingSlash(b);
}

} // namespace

SessionStore::SessionStore(ServiceStore& store, Lifetimes lifetimes)
    : store(store), lifetimes(lifetimes)
{
}

std::optional<std::string> SessionStore::CreateGrantingTicket(int userId)
{
    std::string ticket = RandomId("TGT-");
    if (!store.PutSession(Kind::GrantingTicket, ticket,
                          {userId, "", store.Now() + lifetimes.grantingTicket})) {
        return std::nullopt;
    }
    return ticket;
}

std::optional<std::string> SessionStore::IssueServiceTicket(const std::string& grantingTicket,
                                                            const std::string& service)
{
    const auto granting = store.FindSession(Kind::GrantingTicket, grantingTicket, store.Now());
    if (!granting) {
        return std::nullopt;
    }
    std::string ticket = RandomId("ST-");
    if (!store.PutSession(Kind::ServiceTicket, ticket,
                          {granting->userId, service, store.Now() + lifetimes.serviceTicket})) {
        return std::nullopt;
    }
    return ticket;
}

bool SessionStore::DestroyGrantingTicket(const std::string& grantingTicket)
{
    return store.DropSession(Kind::GrantingTicket, grantingTicket);
}

std::optional<SessionStore::Token>
SessionStore::RedeemServiceTicket(const std::string& serviceTicket, const std::string& service)
{
    const auto ticket = store.TakeSession(Kind::ServiceTicket, serviceTicket, store.Now());
    if (!ticket || !SameService(ticket->service, service)) {
        return std::nullopt;
    }
    std::string token = RandomId("");
    if (!store.PutSession(Kind::Token, token,
                          {ticket->userId, "", store.Now() + lifetimes.token})) {
        return std::nullopt;
    }
    return Token{token, lifetimes.token.count()};
}

std::optional<int> SessionStore::UserOfToken(const std::string& token)
{
    const auto session = store.FindSession(Kind::Token, token, store.Now());
    if (!session) {
        return std::nullopt;
    }
    return session->userId;
}

void SessionStore::Sweep()
{
    store.DropExpiredSessions(store.Now());
}
