#include "account/userinfosession.h"

#include "http/urlcoding.h"
#include "utility/replyreader.h"
#include "utility/utilitycalls.h"

#include <algorithm>
#include <limits>

namespace {

// A balance by its leading numeric part; 0 when there is none.
float LeadingFloat(const std::string& text)
{
    const double value = LeadingNumber(text);
    constexpr double kMax = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -kMax, kMax));
}

} // namespace

UserInfoSession::UserInfoSession(TokenProvider& tokens, std::string apiBase)
    : tokens(tokens), apiBase(std::move(apiBase))
{
}

UserInfoRecord UserInfoSession::GetUserInfo(bool refresh)
{
    if (refresh) {
        if (auto fetched = Request())
            record.Set(std::move(*fetched));
        else
            record.Reset();
    }
    return record.Get();
}

std::optional<UserInfoRecord> UserInfoSession::Request()
{
    TokenRecord token = tokens.GetToken(true);
    if (!token.ok)
        token = tokens.GetToken(true);
    if (!token.ok || token.token.empty() || !Utility::Utf8ToUnicode(token.token))
        return std::nullopt;

    const auto reply = Utility::Request(
        "GET", apiBase + "/user/getUserInfo?plateform=pc&token=" + UrlEncodeBytes(token.token),
        "Content-Type: application/json", "");
    if (reply.status != 200)
        return std::nullopt;

    return ParseUserInfoReply(reply.body);
}

std::optional<UserInfoRecord> ParseUserInfoReply(std::string_view body)
{
    ReplyReader reader(body);
    const Json::Value& root = reader.Root();
    const Json::Value& data = root["data"];
    if (!reader.Require(root, {"ret", "msg", "data"}) ||
        !reader.Require(data, {"balanceAll", "vip", "userId", "userType", "firstLogin"}))
        return std::nullopt;
    UserInfoRecord fetched;
    fetched.ret = reader.Integer(root["ret"]);
    fetched.msg = reader.Text(root["msg"]);
    fetched.balance = LeadingFloat(reader.Text(data["balanceAll"]));
    fetched.userId = LeadingInteger(reader.Text(data["userId"]));
    fetched.userType = reader.Text(data["userType"]);
    fetched.firstLogin = ReplyReader::Flag(data["firstLogin"]);
    fetched.isVip = ReplyReader::Flag(data["isVip"]);
    if (!reader.Accepted())
        return std::nullopt;
    fetched.ok = true;
    return fetched;
}
