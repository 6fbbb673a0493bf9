#include "taskroutes.h"

#include "authorize.h"
#include "conversionservice.h"
#include "converters.h"
#include "filereply.h"
#include "inputcheck.h"
#include "replies.h"
#include "sessionstore.h"
#include "taskstore.h"

#include <httplib.h>

namespace {

namespace fs = std::filesystem;

std::string ContentTypeOf(const fs::path& path)
{
    const std::string ext = path.extension().string();
    if (ext == ".pdf") {
        return "application/pdf";
    }
    if (ext == ".zip") {
        return "application/zip";
    }
    if (ext == ".txt") {
        return "text/plain; charset=utf-8";
    }
    return "application/octet-stream";
}

} // namespace

TaskRoutes::TaskRoutes(SessionStore& sessions, TaskStore& tasks, ConversionService& conversions,
                       RouteSettings settings)
    : sessions(sessions), tasks(tasks), conversions(conversions), settings(std::move(settings)),
      uploads(tasks, this->settings.userQuota, this->settings.uploadLimit)
{
}

void TaskRoutes::Register(httplib::Server& server)
{
    using httplib::ContentReader;
    using httplib::Request;
    using httplib::Response;
    server.Post(kUploadPath,
                [this](const Request& q, Response& r, const ContentReader& c) { Upload(q, r, c); });
    // These read no body; taking the reader keeps a POST without a length from being refused.
    server.Post("/task/submitTask",
                [this](const Request& q, Response& r, const ContentReader&) { Submit(q, r); });
    server.Post("/task/taskQuery",
                [this](const Request& q, Response& r, const ContentReader&) { Query(q, r); });
    server.Get(R"(/results/(job-[0-9a-f]+))",
               [this](const Request& q, Response& r) { Result(q, r); });
    server.Get("/api/getHomeSortList", [this](const Request&, Response& r) { HomeSortList(r); });
}

void TaskRoutes::Upload(const httplib::Request& request, httplib::Response& response,
                        const httplib::ContentReader& reader)
{
    const auto user = AuthorizedUser(sessions, request, response);
    if (!user) {
        return;
    }
    ReceivedUpload upload;
    if (const auto refusal = uploads.Receive(request, reader, *user, upload)) {
        Refuse(response, *refusal);
        return;
    }
    TaskRecord record;
    record.taskId = upload.taskId;
    record.docId = "doc-" + upload.taskId.substr(5);
    record.taskName = request.get_param_value("taskname");
    record.fileName = upload.fileName;
    record.fileType = upload.extension;
    record.userId = *user;
    record.fileSize = upload.size;
    record.input = upload.input;
    if (!tasks.Add(record)) {
        tasks.Discard(upload.taskId);
        Refuse(response, UploadRefusal(UploadError::NotStored));
        return;
    }

    Json::Value data;
    data["fileSize"] = Json::UInt64(upload.size);
    data["filePrice"] = 0;
    data["taskId"] = record.taskId;
    data["docid"] = record.docId;
    data["fileType"] = record.fileType;
    data["fileName"] = record.fileName;
    Replies::Success(response, data);
}

void TaskRoutes::Submit(const httplib::Request& request, httplib::Response& response)
{
    const auto user = AuthorizedUser(sessions, request, response);
    if (!user) {
        return;
    }
    const std::string taskId = request.get_param_value("taskId");
    const std::string taskName = request.get_param_value("taskname");
    if (const auto uploaded = tasks.Find(taskId, *user);
        uploaded && uploaded->state == TaskState::Uploaded && QueueFull()) {
        const auto seconds = std::to_string(settings.retryAfter.count());
        Replies::Failure(response, 429,
                         "the service is busy, try again in " + seconds + " seconds");
        response.status = 429;
        response.set_header("Retry-After", seconds);
        return;
    }
    bool alreadySubmitted = false;
    const auto jobId = tasks.Submit(taskId, *user, taskName, alreadySubmitted);
    if (!jobId) {
        Replies::Failure(response, 404, "unknown task id");
        return;
    }
    const auto task = tasks.Find(taskId, *user);
    if (!alreadySubmitted && task) {
        const auto kind = Converters::InputFor(taskName);
        std::optional<std::string> problem;
        if (!kind) {
            problem = "unknown task name \"" + taskName + "\"";
        } else {
            problem = CheckInput(*kind, task->input);
        }
        if (problem) {
            tasks.Reject(taskId, *problem);
        } else {
            conversions.Submitted(taskId);
        }
    }
    Json::Value data;
    data["docid"] = task ? task->docId : "";
    data["taskId"] = taskId;
    data["jobId"] = *jobId;
    Replies::Success(response, data);
}

bool TaskRoutes::QueueFull()
{
    return (settings.queueLimit > 0 && conversions.Pending() >= settings.queueLimit) ||
           (settings.totalQueueLimit > 0 && tasks.WaitingCount() >= settings.totalQueueLimit);
}

void TaskRoutes::Query(const httplib::Request& request, httplib::Response& response)
{
    const auto user = AuthorizedUser(sessions, request, response);
    if (!user) {
        return;
    }
    const auto task = tasks.Find(request.get_param_value("taskId"), *user);
    if (!task || task->jobId.empty() || task->jobId != request.get_param_value("jobId")) {
        Replies::Failure(response, 404, "unknown task or job id");
        return;
    }
    Json::Value data;
    data["taskState"] = StateName(task->state);
    data["balanceStatus"] = "NORMAL";
    data["filePrice"] = 0;
    data["userBalance"] = 100.0;
    data["downloadUrl"] =
        task->state == TaskState::Finished ? settings.publicUrl + "/results/" + task->jobId : "";
    Replies::Success(response, data, task->state == TaskState::Failed ? task->message : "success");
}

void TaskRoutes::Result(const httplib::Request& request, httplib::Response& response)
{
    const auto task = tasks.FindByJob(request.matches[1]);
    if (!task || task->state != TaskState::Finished ||
        !SendFile(response, task->result, ContentTypeOf(task->result))) {
        Replies::Failure(response, 404, "no such result");
        response.status = 404;
        return;
    }
    const std::string stem = fs::path(task->fileName).stem().string();
    response.set_header("Content-Disposition",
                        "attachment; filename*=UTF-8''" +
                            PercentEncode(stem + Converters::ResultSuffix(task->taskName)));
}

void TaskRoutes::HomeSortList(httplib::Response& response)
{
    Json::Value data(Json::arrayValue);
    for (const std::string& function : Converters::OfferedFunctions()) {
        Json::Value entry;
        entry["convertType"] = function;
        entry["isFree"] = true;
        data.append(entry);
    }
    Replies::Success(response, data);
}
