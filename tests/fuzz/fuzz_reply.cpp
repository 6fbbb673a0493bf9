// Service replies: every member read by the client's rules, whatever its type.
#include "fuzzinput.h"
#include "utility/replyreader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view body = FuzzInput::Text(data, size);
    ReplyReader reader(body);
    reader.Ret();
    const Json::Value& root = reader.Root();
    if (root.isObject()) {
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
    LeadingInteger(body);
    LeadingNumber(body);
    return 0;
}
