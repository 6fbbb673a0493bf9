#include "replies.h"

#include <httplib.h>
#include <json/writer.h>

namespace Replies {
namespace {

void Send(httplib::Response& response, const Json::Value& body)
{
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    writer["emitUTF8"] = true;
    response.status = 200;
    response.set_content(Json::writeString(writer, body), "application/json; charset=utf-8");
}

} // namespace

void Success(httplib::Response& response, const Json::Value& data, const std::string& message)
{
    Json::Value body;
    body["ret"] = 0;
    body["msg"] = message;
    body["data"] = data;
    Send(response, body);
}

void Failure(httplib::Response& response, int ret, const std::string& message)
{
    Json::Value body;
    body["ret"] = ret;
    body["msg"] = message;
    Send(response, body);
}

} // namespace Replies
