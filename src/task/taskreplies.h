#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The pipeline's readings of the service's task replies, by the ReplyReader rules: a reply is
// accepted only when every expected member is there and readable.
struct TaskReply
{
    bool accepted = false;
    std::optional<std::int32_t> ret; // the root's "ret" whenever it is readable
};

struct UploadReply : TaskReply
{
    std::string taskId;
};

struct SubmitReply : TaskReply
{
    std::string jobId;
};

struct QueryReply : TaskReply
{
    std::string msg; // also read from a rejected reply, when it is text
    std::string taskState;
    std::string downloadUrl;
};

UploadReply ParseUploadReply(std::string_view body);
SubmitReply ParseSubmitReply(std::string_view body);
QueryReply ParseQueryReply(std::string_view body);
