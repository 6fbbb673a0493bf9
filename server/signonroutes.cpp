#include "signonroutes.h"

#include "accountstore.h"
#include "authorize.h"
#include "replies.h"
#include "sessionstore.h"

#include <httplib.h>

SignOnRoutes::SignOnRoutes(AccountStore& accounts, SessionStore& sessions, RouteSettings settings)
    : accounts(accounts), sessions(sessions), settings(std::move(settings))
{
}

void SignOnRoutes::Register(httplib::Server& server)
{
    using httplib::Request;
    using httplib::Response;
    server.Post("/shiro-cas/v1/tickets",
                [this](const Request& q, Response& r) { CreateGrantingTicket(q, r); });
    server.Post(R"(/shiro-cas/v1/tickets/(TGT-[0-9a-f]+))",
                [this](const Request& q, Response& r) { IssueServiceTicket(q, r); });
    server.Delete(R"(/shiro-cas/v1/tickets/(TGT-[0-9a-f]+))",
                  [this](const Request& q, Response& r) { SignOut(q, r); });
    server.Get("/auth/pcdokoraLogin",
               [this](const Request& q, Response& r) { ExchangeTicket(q, r); });
    server.Get("/user/getUserInfo", [this](const Request& q, Response& r) { UserInfo(q, r); });
}

void SignOnRoutes::CreateGrantingTicket(const httplib::Request& request,
                                        httplib::Response& response)
{
    if (!request.has_param("username") || !request.has_param("password")) {
        response.status = 400;
        response.set_content("username and password required", "text/plain");
        return;
    }
    const std::string name = request.get_param_value("username");
    const auto now = SignInLimiter::Clock::now();
    if (const auto wait = signInLimiter.Admit(name, request.remote_addr, now)) {
        response.status = 429;
        response.set_header("Retry-After", std::to_string(wait->count()));
        response.set_content("too many sign-in attempts; try again in " +
                                 std::to_string(wait->count()) + " seconds",
                             "text/plain");
        return;
    }
    const auto user = accounts.Verify(name, request.get_param_value("password"));
    if (!user) {
        signInLimiter.CountFailure(name, now);
        response.status = 401;
        response.set_content("wrong user name or password", "text/plain");
        return;
    }
    const auto ticket = sessions.CreateGrantingTicket(*user);
    if (!ticket) {
        response.status = 500;
        response.set_content("the sign-in cannot be stored", "text/plain");
        return;
    }
    response.status = 201;
    response.set_header("Location", settings.publicUrl + "/shiro-cas/v1/tickets/" + *ticket);
    response.set_content(*ticket, "text/plain");
}

void SignOnRoutes::IssueServiceTicket(const httplib::Request& request, httplib::Response& response)
{
    if (!request.has_param("service")) {
        response.status = 400;
        response.set_content("service required", "text/plain");
        return;
    }
    const auto ticket =
        sessions.IssueServiceTicket(request.matches[1], request.get_param_value("service"));
    if (!ticket) {
        response.status = 404;
        response.set_content("ticket-granting ticket unknown or expired", "text/plain");
        return;
    }
    response.set_content(*ticket, "text/plain");
}

void SignOnRoutes::SignOut(const httplib::Request& request, httplib::Response& response)
{
    const bool known = sessions.DestroyGrantingTicket(request.matches[1]);
    response.status = known ? 200 : 404;
    response.set_content(known ? "signed out" : "ticket-granting ticket unknown", "text/plain");
}

void SignOnRoutes::ExchangeTicket(const httplib::Request& request, httplib::Response& response)
{
    // Tickets the plug-in obtained for web pages are bound to those pages and buy no token.
    const auto token =
        sessions.RedeemServiceTicket(request.get_param_value("ticket"), settings.clientService);
    if (!token) {
        Replies::Failure(response, 401, "ticket invalid");
        return;
    }
    Json::Value data;
    data["expireTime"] = Json::Int64(token->expireSeconds);
    data["token"] = token->token;
    Replies::Success(response, data);
}

void SignOnRoutes::UserInfo(const httplib::Request& request, httplib::Response& response)
{
    const auto user = AuthorizedUser(sessions, request, response);
    if (!user) {
        return;
    }
    Json::Value data;
    data["balanceAll"] = "100.00";
    data["vip"] = 0;
    data["userId"] = std::to_string(*user);
    data["userType"] = "normal";
    data["firstLogin"] = false;
    data["isVip"] = false;
    data["userName"] = accounts.NameOf(*user).value_or("");
    Replies::Success(response, data);
}
