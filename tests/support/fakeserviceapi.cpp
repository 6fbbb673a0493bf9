// The default replies of the fake service: a healthy conversion service, sign-on server and
// file host.
#include "support/fakeservice.h"

#include <cstdio>

namespace {

std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string Failure(int ret, std::string_view msg)
{
    return "{\"ret\":" + std::to_string(ret) + ",\"msg\":" + JsonString(msg) + "}";
}

std::string Success(const std::string& data)
{
    return "{\"ret\":0,\"msg\":\"success\",\"data\":" + data + "}";
}

std::string LastSegment(std::string_view path)
{
    return std::string(path.substr(path.rfind('/') + 1));
}

} // namespace

FakeReply FakeService::DefaultReply(const RecordedRequest& request, const std::string& endpoint,
                                    const UploadedFile& upload)
{
    using namespace FakeEndpoint;
    if (endpoint == kUpload && request.method == "POST") {
        return Upload(request, upload);
    }
    if (endpoint == kSubmit && request.method == "POST") {
        return Submit(request);
    }
    if (endpoint == kQuery && request.method == "POST") {
        return Query(request);
    }
    if (endpoint == kResult) {
        return Result(request);
    }
    if (endpoint == kHomeSortList) {
        std::string data;
        for (const char* key :
             {"PDF2Word", "PDF2Excel", "PDF2PPT", "PDF2JPG", "PDF2Html", "Word2PDF", "Excel2PDF",
              "PPT2PDF", "JPG2PDF", "TXT2PDF", "PDFCompress", "PDFMerge", "PDFSplit", "IMG2TXT"}) {
            data += std::string(data.empty() ? "" : ",") + "{\"convertType\":\"" + key +
                    "\",\"isFree\":false}";
        }
        return FakeReply::Json(Success("[" + data + "]"));
    }
    if (endpoint == kLogin) {
        std::lock_guard lock(mutex);
        if (serviceTickets.erase(request.Param("ticket")) == 0) {
            return FakeReply::Json(Failure(401, "ticket invalid"));
        }
        const std::string token = "token-" + std::to_string(++counter);
        tokens.insert(token);
        return FakeReply::Json(
            Success("{\"expireTime\":7200,\"token\":" + JsonString(token) + "}"));
    }
    if (endpoint == kUserInfo) {
        if (!TokenValid(request)) {
            return FakeReply::Json(Failure(403, "token invalid"));
        }
        return FakeReply::Json(
            Success(R"({"balanceAll":"100.00","vip":0,"userId":"1001","userType":"normal",)"
                    R"("firstLogin":false,"isVip":false})"));
    }
    if (endpoint == kTickets && request.method == "POST") {
        return Tickets(request);
    }
    if (endpoint == kTicket) {
        return Ticket(request);
    }
    std::lock_guard lock(mutex);
    if (endpoint == kVersionFile) {
        FakeReply reply =
            FakeReply::Text("<#" + version + "#>\r\n<#" + (forced ? "1" : "0") + "#>");
        reply.contentType = "text/html";
        return reply;
    }
    if (endpoint == kInstaller || (endpoint == kSignature && signature)) {
        FakeReply reply = FakeReply::Text(endpoint == kInstaller ? installer : *signature);
        reply.contentType = "application/octet-stream";
        return reply;
    }
    return FakeReply::Text("not found", 404);
}

bool FakeService::TokenValid(const RecordedRequest& request) const
{
    std::lock_guard lock(mutex);
    return tokens.contains(request.Param("token"));
}

FakeReply FakeService::Upload(const RecordedRequest& request, const UploadedFile& upload)
{
    const std::string& fileName = upload.name;
    if (!TokenValid(request)) {
        return FakeReply::Json(Failure(403, "token invalid"));
    }
    if (request.Param("taskname").empty() || fileName.empty()) {
        return FakeReply::Json(Failure(400, "missing task name or file"));
    }
    std::lock_guard lock(mutex);
    const std::string n = std::to_string(++counter);
    const auto dot = fileName.rfind('.');
    const std::string type = dot == std::string::npos ? "" : fileName.substr(dot + 1);
    tasks["task-" + n] = Task{fileName, request.Param("taskname"), upload.content, "", 0};
    return FakeReply::Json(Success(
        "{\"fileSize\":" + std::to_string(upload.size) + ",\"filePrice\":0,\"taskId\":\"task-" + n +
        "\",\"docid\":\"doc-" + n + "\",\"fileType\":" + JsonString(type) +
        ",\"fileName\":" + JsonString(fileName) + "}"));
}

FakeReply FakeService::Submit(const RecordedRequest& request)
{
    if (!TokenValid(request)) {
        return FakeReply::Json(Failure(403, "token invalid"));
    }
    std::lock_guard lock(mutex);
    const std::string taskId = request.Param("taskId");
    auto task = tasks.find(taskId);
    if (task == tasks.end() || request.Param("taskname").empty()) {
        return FakeReply::Json(Failure(400, "unknown task"));
    }
    const std::string n = taskId.substr(taskId.find('-') + 1);
    task->second.jobId = "job-" + n;
    return FakeReply::Json(Success("{\"docid\":\"doc-" + n + "\",\"taskId\":" + JsonString(taskId) +
                                   ",\"jobId\":\"job-" + n + "\"}"));
}

FakeReply FakeService::Query(const RecordedRequest& request)
{
    if (!TokenValid(request)) {
        return FakeReply::Json(Failure(403, "token invalid"));
    }
    std::lock_guard lock(mutex);
    auto task = tasks.find(request.Param("taskId"));
    if (task == tasks.end() || task->second.jobId.empty() ||
        task->second.jobId != request.Param("jobId")) {
        return FakeReply::Json(Failure(400, "unknown job"));
    }
    const bool finished = ++task->second.queries > conversionDelay;
    const std::string url = finished ? BaseUrl() + "/results/" + task->second.jobId : "";
    return FakeReply::Json(Success(std::string("{\"taskState\":\"") +
                                   (finished ? "FINISH" : "RUNNING") +
                                   "\",\"balanceStatus\":\"NORMAL\",\"filePrice\":0,"
                                   "\"userBalance\":100.0,\"downloadUrl\":" +
                                   JsonString(url) + "}"));
}

FakeReply FakeService::Result(const RecordedRequest& request)
{
    std::lock_guard lock(mutex);
    const std::string jobId = LastSegment(request.path);
    for (const auto& [id, task] : tasks) {
        if (task.jobId == jobId) {
            FakeReply reply = FakeReply::Text(ResultSignature(task.taskName) + task.content);
            reply.contentType = "application/octet-stream";
            return reply;
        }
    }
    return FakeReply::Text("no such result", 404);
}

std::string FakeService::ResultSignature(std::string_view taskName)
{
    static const std::set<std::string_view> zipped = {"pdf-to-word", "pdf-to-excel", "pdf-to-ppt",
                                                      "pdf-to-jpg",  "pdf-to-html",  "pdf-getimg",
                                                      "pdf-split"};
    if (zipped.contains(taskName)) {
        return std::string("PK\x03\x04", 4);
    }
    if (taskName == "img-to-txt") {
        return "";
    }
    if (taskName == "pdf-to-dwg") {
        return "AC1015";
    }
    return "%PDF-1.7\n";
}

FakeReply FakeService::Tickets(const RecordedRequest& request)
{
    std::lock_guard lock(mutex);
    const auto user = users.find(FormValue(request.body, "username"));
    if (user == users.end() || user->second != FormValue(request.body, "password")) {
        return FakeReply::Text("bad credentials", 401);
    }
    const std::string ticket = "TGT-" + std::to_string(++counter);
    grantingTickets.insert(ticket);
    FakeReply reply = FakeReply::Text("", 201);
    reply.headers.emplace_back("Location", SsoUrl() + "/v1/tickets/" + ticket);
    return reply;
}

FakeReply FakeService::Ticket(const RecordedRequest& request)
{
    std::lock_guard lock(mutex);
    const std::string ticket = LastSegment(request.path);
    if (!grantingTickets.contains(ticket)) {
        return FakeReply::Text("unknown ticket", 404);
    }
    if (request.method == "DELETE") {
        grantingTickets.erase(ticket);
        return FakeReply::Text("");
    }
    if (FormValue(request.body, "service").empty()) {
        return FakeReply::Text("missing service", 400);
    }
    const std::string serviceTicket = "ST-" + std::to_string(++counter);
    serviceTickets.insert(serviceTicket);
    return FakeReply::Text(serviceTicket);
}
