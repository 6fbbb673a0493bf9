#pragma once

#include <json/value.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

// Talks to a running service the way the desktop client does: single sign-on, ticket
// exchange, upload, submit, polling and download.
class ServiceClient
{
public:
    explicit ServiceClient(int port);

    struct Reply
    {
        int status = 0; // HTTP status, 0 when the exchange failed
        std::string body;
        Json::Value json;                           // null unless the body is JSON
        std::map<std::string, std::string> headers; // names in lower case
    };

    Reply Get(const std::string& target);
    Reply Post(const std::string& target, const std::string& body = "",
               const std::string& type = "application/x-www-form-urlencoded");
    Reply Delete(const std::string& target);

    // The `service` value of the desktop client's tickets for a service on our port.
    std::string ClientService() const;
    // Signs in through the single sign-on and the ticket exchange; the token or nothing.
    std::optional<std::string> SignIn(const std::string& user, const std::string& password);
    void SetToken(std::string value) { token = std::move(value); }
    const std::string& Token() const { return token; }

    Reply Upload(const std::string& taskName, const std::string& fileName,
                 const std::string& content);
    Reply Submit(const std::string& taskId, const std::string& taskName);
    Reply Query(const std::string& taskId, const std::string& jobId);

    struct Conversion
    {
        std::string state; // the last task state, or "" when a request was refused
        std::string message;
        std::string result; // the downloaded bytes when FINISH
        Json::Value lastReply;
    };
    // Upload, submit, poll every 50 ms until the task ends or `limit` passes, download.
    Conversion Convert(const std::string& taskName, const std::filesystem::path& file,
                       std::chrono::seconds limit = std::chrono::seconds(90));

private:
    int port;
    std::string token;
};

// The value of the sample `name` (with its labels) on a /metrics page; -1 when it is missing.
double MetricSample(const std::string& page, const std::string& name);
