#include "authorize.h"

#include "replies.h"
#include "sessionstore.h"

#include <httplib.h>

std::optional<int> AuthorizedUser(SessionStore& sessions, const httplib::Request& request,
                                  httplib::Response& response)
{
    const auto user = sessions.UserOfToken(request.get_param_value("token"));
    if (!user) {
        Replies::Failure(response, 403, "token invalid or expired");
    }
    return user;
}
