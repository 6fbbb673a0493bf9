#include "serviceclient.h"

#include <httplib.h>
#include <json/reader.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

ServiceClient::Reply Wrap(const httplib::Result& result)
{
    ServiceClient::Reply reply;
    if (!result) {
        return reply;
    }
    reply.status = result->status;
    reply.body = result->body;
    for (const auto& [name, value] : result->headers) {
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        reply.headers[lower] = value;
    }
    Json::CharReaderBuilder builder;
    std::istringstream in(reply.body);
    std::string errors;
    if (!Json::parseFromStream(builder, in, &reply.json, &errors)) {
        reply.json = Json::Value();
    }
    return reply;
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

ServiceClient::ServiceClient(int port) : port(port) {}

std::string ServiceClient::ClientService() const
{
    return "http://127.0.0.1:" + std::to_string(port) + "/shiro-cas";
}

ServiceClient::Reply ServiceClient::Get(const std::string& target)
{
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(std::chrono::seconds(60));
    return Wrap(client.Get(target));
}

ServiceClient::Reply ServiceClient::Post(const std::string& target, const std::string& body,
                                         const std::string& type)
{
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(std::chrono::seconds(60));
    return Wrap(client.Post(target, body, type));
}

ServiceClient::Reply ServiceClient::Delete(const std::string& target)
{
    httplib::Client client("127.0.0.1", port);
    return Wrap(client.Delete(target));
}

std::optional<std::string> ServiceClient::SignIn(const std::string& user,
                                                 const std::string& password)
{
    httplib::Client client("127.0.0.1", port);
    const auto granted = client.Post("/shiro-cas/v1/tickets",
                                     httplib::Params{{"username", user}, {"password", password}});
    if (!granted || granted->status != 201) {
        return std::nullopt;
    }
    const std::string location = granted->get_header_value("Location");
    const auto path = location.find("/shiro-cas/");
    if (path == std::string::npos) {
        return std::nullopt;
    }
    const auto serviceTicket =
        client.Post(location.substr(path), httplib::Params{{"service", ClientService()}});
    if (!serviceTicket || serviceTicket->status != 200) {
        return std::nullopt;
    }
    const Reply exchanged = Get("/auth/pcdokoraLogin?ticket=" + serviceTicket->body);
    if (exchanged.json["ret"].asInt() != 0 || !exchanged.json["data"]["token"].isString()) {
        return std::nullopt;
    }
    token = exchanged.json["data"]["token"].asString();
    return token;
}

ServiceClient::Reply ServiceClient::Upload(const std::string& taskName, const std::string& fileName,
                                           const std::string& content)
{
    httplib::Client client("127.0.0.1", port);
    client.set_write_timeout(std::chrono::seconds(60));
    client.set_read_timeout(std::chrono::seconds(60));
    const httplib::MultipartFormDataItems items = {{"file", content, fileName, ""}};
    return Wrap(client.Post("/v2/task/upload?plateform=pc&token=" + token + "&taskname=" + taskName,
                            items));
}

ServiceClient::Reply ServiceClient::Submit(const std::string& taskId, const std::string& taskName)
{
    return Post("/task/submitTask?plateform=pc&token=" + token + "&taskId=" + taskId +
                    "&taskname=" + taskName,
                "", "application/json");
}

ServiceClient::Reply ServiceClient::Query(const std::string& taskId, const std::string& jobId)
{
    return Post("/task/taskQuery?plateform=pc&token=" + token + "&taskId=" + taskId +
                    "&jobId=" + jobId,
                "", "application/json");
}

ServiceClient::Conversion ServiceClient::Convert(const std::string& taskName,
                                                 const std::filesystem::path& file,
                                                 std::chrono::seconds limit)
{
    Conversion conversion;
    const Reply upload = Upload(taskName, file.filename().string(), ReadAll(file));
    conversion.lastReply = upload.json;
    if (!upload.json["data"].isObject()) {
        conversion.message = upload.json["msg"].asString();
        return conversion;
    }
    const std::string taskId = upload.json["data"]["taskId"].asString();
    const Reply submit = Submit(taskId, taskName);
    conversion.lastReply = submit.json;
    if (!submit.json["data"].isObject()) {
        conversion.message = submit.json["msg"].asString();
        return conversion;
    }
    const std::string jobId = submit.json["data"]["jobId"].asString();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const Reply query = Query(taskId, jobId);
        conversion.lastReply = query.json;
        conversion.state = query.json["data"]["taskState"].asString();
        conversion.message = query.json["msg"].asString();
        if ((conversion.state != "WAITING" && conversion.state != "RUNNING") ||
            std::chrono::steady_clock::now() > deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (conversion.state == "FINISH") {
        const std::string url = conversion.lastReply["data"]["downloadUrl"].asString();
        const auto path = url.find("/results/");
        const Reply download = Get(path == std::string::npos ? url : url.substr(path));
        conversion.result = download.status == 200 ? download.body : "";
    }
    return conversion;
}

double MetricSample(const std::string& page, const std::string& name)
{
    std::istringstream lines(page);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(name + " ", 0) == 0) {
            return std::stod(line.substr(name.size() + 1));
        }
    }
    return -1;
}
