#include "replies.h"

#include "inputcheck.h"

#include <httplib.h>
#include <json/writer.h>

namespace Replies {
namespace {

// Names and messages may carry bytes a client sent; a reply is always UTF-8.
Json::Value Repaired(const Json::Value& value)
{
    if (value.isString()) {
        return RepairUtf8(value.asString());
    }
    if (value.isArray()) {
        Json::Value repaired(Json::arrayValue);
        for (const Json::Value& element : value) {
            repaired.append(Repaired(element));
        }
        return repaired;
    }
    if (value.isObject()) {
        Json::Value repaired(Json::objectValue);
        for (const std::string& name : value.getMemberNames()) {
            repaired[RepairUtf8(name)] = Repaired(value[name]);
        }
        return repaired;
    }
    return value;
}

void Send(httplib::Response& response, const Json::Value& body)
{
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    writer["emitUTF8"] = true;
    response.status = 200;
    response.set_content(Json::writeString(writer, Repaired(body)),
                         "application/json; charset=utf-8");
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
