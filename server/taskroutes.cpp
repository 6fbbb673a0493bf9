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

#include <cctype>
#include <cstdlib>
#include <fstream>

namespace {

namespace fs = std::filesystem;

constexpr const char* kTooLarge = "the file is larger than 100 MiB";
// Room for the multipart headers around the file's bytes.
constexpr std::uint64_t kMultipartAllowance = 1 << 20;

// The file name as the client sent it, accepted when it names one file and nothing else and
// is UTF-8 (it comes back in replies).
bool SafeFileName(const std::string& name)
{
    if (name.empty() || name.find('\0') != std::string::npos || name == "." || name == ".." ||
        !IsValidUtf8(name)) {
        return false;
    }
    return name.find("../") == std::string::npos && name.find("..\\") == std::string::npos &&
           name.find('/') == std::string::npos && name.find('\\') == std::string::npos;
}

// The extension kept on the stored file (office import looks at it): letters and digits only.
std::string StoredExtension(const std::string& name)
{
    const auto dot = name.rfind('.');
    std::string ext;
    if (dot != std::string::npos) {
        for (char c : name.substr(dot + 1)) {
            if (!std::isalnum(static_cast<unsigned char>(c)) || ext.size() == 8) {
                return "";
            }
            ext += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return ext;
}

std::string PercentEncode(const std::string& text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

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
      quota(this->settings.userQuota, [&tasks](int userId) { return tasks.StoredBytesOf(userId); })
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
    // A declared length over the limit is refused before anything is read; the connection
    // is closed rather than drained.
    const std::uint64_t declared =
        std::strtoull(request.get_header_value("Content-Length").c_str(), nullptr, 10);
    if (declared > kMaxUpload + kMultipartAllowance) {
        Replies::Failure(response, 413, kTooLarge);
        response.status = 413;
        response.set_header("Connection", "close");
        return;
    }
    if (!request.is_multipart_form_data()) {
        Replies::Failure(response, 400, "the upload must be multipart/form-data");
        return;
    }
    const std::string overQuota = "the upload would pass your storage quota of " +
                                  std::to_string(quota.Limit() >> 20) +
                                  " MiB (files are kept for 24 hours)";
    // The declared length is checked before reading, the file's bytes as they arrive.
    auto reservation =
        quota.Reserve(*user, declared - std::min<std::uint64_t>(declared, kMultipartAllowance));
    if (!reservation) {
        Replies::Failure(response, 413, overQuota);
        response.status = 413;
        response.set_header("Connection", "close");
        return;
    }
    fs::path directory;
    const auto taskId = tasks.CreateTaskDirectory(directory);
    if (!taskId) {
        Replies::Failure(response, 500, "the upload cannot be stored");
        return;
    }
    const fs::path partial = directory / "upload.part";
    std::ofstream out;
    std::string fileName;
    std::string problem;
    std::uint64_t size = 0;
    bool inFile = false;
    bool sawFile = false;
    const auto deadline = std::chrono::steady_clock::now() + settings.uploadLimit;

    const bool read = reader(
        [&](const httplib::MultipartFormData& part) {
            inFile = part.name == "file" && !sawFile;
            if (!inFile) {
                return true;
            }
            sawFile = true;
            if (!SafeFileName(part.filename)) {
                problem = "invalid file name";
                return false;
            }
            fileName = part.filename;
            out.open(partial, std::ios::binary | std::ios::trunc);
            if (!out) {
                problem = "the upload cannot be stored";
                return false;
            }
            return true;
        },
        [&](const char* data, std::size_t length) {
            if (std::chrono::steady_clock::now() > deadline) {
                problem = "the upload took too long";
                return false;
            }
            if (!inFile) {
                return true;
            }
            size += length;
            if (size > kMaxUpload) {
                problem = kTooLarge;
                return false;
            }
            if (!reservation->Grow(length)) {
                problem = overQuota;
                return false;
            }
            out.write(data, static_cast<std::streamsize>(length));
            return static_cast<bool>(out);
        });
    out.close();

    if (!read || !problem.empty() || !sawFile) {
        tasks.Discard(*taskId);
        if (problem.empty()) {
            problem = sawFile ? "the upload is incomplete" : "the request holds no member \"file\"";
        }
        const bool tooMuch = problem == kTooLarge || problem == overQuota;
        Replies::Failure(response, tooMuch ? 413 : 400, problem);
        return;
    }
    const std::string taskName = request.get_param_value("taskname");
    const std::string extension = StoredExtension(fileName);
    const fs::path input = directory / (extension.empty() ? "input" : "input." + extension);
    std::error_code code;
    fs::rename(partial, input, code);
    if (code) {
        tasks.Discard(*taskId);
        Replies::Failure(response, 500, "the upload cannot be stored");
        return;
    }
    if (const auto kind = Converters::InputFor(taskName)) {
        if (auto mismatch = CheckInput(*kind, input)) {
            tasks.Discard(*taskId);
            Replies::Failure(response, 415, *mismatch);
            return;
        }
    }

    TaskRecord record;
    record.taskId = *taskId;
    record.docId = "doc-" + taskId->substr(5);
    record.taskName = taskName;
    record.fileName = fileName;
    record.fileType = extension;
    record.userId = *user;
    record.fileSize = size;
    record.input = input;
    if (!tasks.Add(record)) {
        tasks.Discard(*taskId);
        Replies::Failure(response, 500, "the upload cannot be stored");
        return;
    }

    Json::Value data;
    data["fileSize"] = Json::UInt64(size);
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
            conversions.Wake();
        }
    }
    Json::Value data;
    data["docid"] = task ? task->docId : "";
    data["taskId"] = taskId;
    data["jobId"] = *jobId;
    Replies::Success(response, data);
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
