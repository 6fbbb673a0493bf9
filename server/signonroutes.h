#pragma once

#include "routesettings.h"
#include "signinlimiter.h"

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

class AccountStore;
class SessionStore;

// The single sign-on: granting tickets for a user name and password (limited per address and
// user), one-time service tickets, sign-out, the exchange of the client's ticket for a token,
// and the information of the signed-in user.
class SignOnRoutes
{
public:
    SignOnRoutes(AccountStore& accounts, SessionStore& sessions, RouteSettings settings);
    void Register(httplib::Server& server);

private:
    void CreateGrantingTicket(const httplib::Request& request, httplib::Response& response);
    void IssueServiceTicket(const httplib::Request& request, httplib::Response& response);
    void SignOut(const httplib::Request& request, httplib::Response& response);
    void ExchangeTicket(const httplib::Request& request, httplib::Response& response);
    void UserInfo(const httplib::Request& request, httplib::Response& response);

    AccountStore& accounts;
    SessionStore& sessions;
    const RouteSettings settings;
    SignInLimiter signInLimiter{{}};
};
