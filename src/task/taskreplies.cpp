#include "task/taskreplies.h"

#include "utility/replyreader.h"

namespace {

void Finish(const ReplyReader& reader, TaskReply& reply)
{
    reply.accepted = reader.Accepted();
    reply.ret = reader.Ret();
}

// A reply whose data members are all read as text: the text of `wanted`.
std::string ReadTextData(std::string_view body, std::initializer_list<const char*> members,
                         std::string_view wanted, TaskReply& reply)
{
    ReplyReader reader(body);
    const Json::Value& root = reader.Root();
    const Json::Value& data = root["data"];
    std::string value;
    if (reader.Require(root, {"ret", "msg", "data"}) && reader.Require(data, members)) {
        reader.Integer(root["ret"]);
        reader.Text(root["msg"]);
        for (const char* member : members) {
            std::string text = reader.Text(data[member]);
            if (member == wanted)
                value = std::move(text);
        }
    }
    Finish(reader, reply);
    return value;
}

} // namespace

UploadReply ParseUploadReply(std::string_view body)
{
    UploadReply reply;
    reply.taskId =
        ReadTextData(body, {"fileSize", "filePrice", "taskId", "docid", "fileType", "fileName"},
                     "taskId", reply);
    return reply;
}

SubmitReply ParseSubmitReply(std::string_view body)
{
    SubmitReply reply;
    reply.jobId = ReadTextData(body, {"docid", "taskId", "jobId"}, "jobId", reply);
    return reply;
}

QueryReply ParseQueryReply(std::string_view body)
{
    ReplyReader reader(body);
    const Json::Value& root = reader.Root();
    const Json::Value& data = root["data"];
    QueryReply reply;
    if (reader.Require(root, {"ret", "msg", "data"}) &&
        reader.Require(data,
                       {"taskState", "balanceStatus", "filePrice", "userBalance", "downloadUrl"})) {
        reader.Integer(root["ret"]);
        reply.msg = reader.Text(root["msg"]);
        reader.Integer(data["filePrice"]);
        reader.Text(data["userBalance"]);
        reader.Text(data["balanceStatus"]);
        reply.taskState = reader.Text(data["taskState"]);
        reply.downloadUrl = reader.Text(data["downloadUrl"]);
    }
    Finish(reader, reply);
    if (!reply.accepted)
        reply.msg = ReadText(root["msg"]).value_or("");
    return reply;
}
