#pragma once

#include <json/value.h>

#include <string>

namespace httplib {
struct Response;
}

// The service's JSON reply shapes: success carries "data", a failure only "ret" and "msg".
namespace Replies {

// `message` is "success" unless the reply reports a failed task.
void Success(httplib::Response& response, const Json::Value& data,
             const std::string& message = "success");
void Failure(httplib::Response& response, int ret, const std::string& message);

} // namespace Replies
