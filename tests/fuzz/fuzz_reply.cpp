// Service replies: each endpoint's reader, and every member read by the client's rules,
// whatever its type.
#include "account/tokensession.h"
#include "account/userinfosession.h"
#include "fuzzinput.h"
#include "task/taskreplies.h"
#include "tiles/homesortlist.h"
#include "utility/replyreader.h"

#include <cstdlib>

namespace {

void ReadEveryMember(std::string_view body)
{
    ReplyReader reader(body);
    reader.Ret();
    const Json::Value& root = reader.Root();
    if (!root.isObject())
        return;
    reader.Require(root, {"ret", "msg", "data"});
    for (const auto& name : root.getMemberNames()) {
        const Json::Value& member = root[name];
        reader.Integer(member);
        reader.Text(member);
        ReplyReader::Flag(member);
        if (member.isObject())
            for (const auto& inner : member.getMemberNames())
                reader.Text(member[inner]);
    }
}

// An accepted reply always carries a readable "ret".
void CheckAccepted(const TaskReply& reply)
{
    if (reply.accepted && !reply.ret)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view body = FuzzInput::Text(data, size);
    ReadEveryMember(body);
    CheckAccepted(ParseUploadReply(body));
    CheckAccepted(ParseSubmitReply(body));
    CheckAccepted(ParseQueryReply(body));
    if (const auto token = ParseTokenReply(body); token && !token->ok)
        std::abort();
    if (const auto info = ParseUserInfoReply(body); info && !info->ok)
        std::abort();
    if (const auto list = ParseHomeSortReply(body); list && !list->ok)
        std::abort();
    LeadingInteger(body);
    LeadingNumber(body);
    return 0;
}
