#include "account/tokensession.h"

#include "http/urlcoding.h"
#include "utility/replyreader.h"
#include "utility/utilitycalls.h"

TokenSession::TokenSession(AccountLibrary& account, std::string apiBase, std::string casAddress)
    : account(account), apiBase(std::move(apiBase)), casAddress(std::move(casAddress))
{
}

TokenRecord TokenSession::GetToken(bool refresh)
{
    if (refresh) {
        if (auto exchanged = Exchange())
            record.Set(std::move(*exchanged));
        else
            record.Reset();
    }
    return record.Get();
}

std::optional<TokenRecord> TokenSession::Exchange()
{
    if (!account.IsSignedIn() || !account.SetService(casAddress))
        return std::nullopt;
    const auto ticket = account.GetTicket();
    if (!ticket || ticket->empty() || !Utility::Utf8ToUnicode(*ticket))
        return std::nullopt;

    const auto reply =
        Utility::Request("GET", apiBase + "/auth/pcdokoraLogin?ticket=" + UrlEncodeBytes(*ticket),
                         "Content-Type: application/json", "");
    if (reply.status != 200)
        return std::nullopt;

    return ParseTokenReply(reply.body);
}

std::optional<TokenRecord> ParseTokenReply(std::string_view body)
{
    ReplyReader reader(body);
    const Json::Value& root = reader.Root();
    if (!reader.Require(root, {"ret", "msg", "data"}) ||
        !reader.Require(root["data"], {"expireTime", "token"}))
        return std::nullopt;
    TokenRecord exchanged;
    exchanged.ret = reader.Integer(root["ret"]);
    exchanged.msg = reader.Text(root["msg"]);
    exchanged.expireTime = reader.Integer(root["data"]["expireTime"]);
    exchanged.token = reader.Text(root["data"]["token"]);
    if (!reader.Accepted())
        return std::nullopt;
    exchanged.ok = true;
    return exchanged;
}
