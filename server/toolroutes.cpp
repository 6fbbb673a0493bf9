#include "toolroutes.h"

#include "filereply.h"
#include "pdftools.h"
#include "randomid.h"
#include "replies.h"
#include "sessionstore.h"
#include "uploadreceiver.h"
#include "webcookie.h"

#include <httplib.h>

#include <fstream>
#include <future>

namespace {

namespace fs = std::filesystem;

void Refuse(httplib::Response& response, int status, const std::string& message)
{
    Replies::Failure(response, status, message);
    response.status = status;
}

std::string ContentTypeOf(const fs::path& path)
{
    return path.extension() == ".zip" ? "application/zip" : "application/pdf";
}

// Removes the request's directory however the request ends.
struct WorkDir
{
    fs::path path;
    ~WorkDir()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

} // namespace

ToolRoutes::ToolRoutes(SessionStore& sessions, Limits limits)
    : sessions(sessions), limits(std::move(limits)),
      pool(
          this->limits.workers, std::chrono::seconds(1), [](std::size_t) {},
          [this](std::size_t) {
              std::function<void()> work;
              {
                  std::lock_guard lock(mutex);
                  if (pending.empty()) {
                      return false;
                  }
                  work = std::move(pending.front());
                  pending.pop_front();
              }
              work();
              return true;
          })
{
    // Directories left by a service that was cut off belong to requests that are gone.
    std::error_code ignored;
    fs::remove_all(this->limits.workRoot, ignored);
}

ToolRoutes::~ToolRoutes()
{
    cancel = true;
    pool.Stop();
}

void ToolRoutes::Register(httplib::Server& server)
{
    server.Post(R"(/api/pdf/([a-z-]+))",
                [this](const httplib::Request& q, httplib::Response& r) { Serve(q, r); });
}

void ToolRoutes::OnPool(const std::function<void()>& work)
{
    std::promise<void> done;
    {
        std::lock_guard lock(mutex);
        pending.emplace_back([&work, &done] {
            work();
            done.set_value();
        });
    }
    pool.Wake();
    done.get_future().wait();
}

void ToolRoutes::Serve(const httplib::Request& request, httplib::Response& response)
{
    // The pages' requests carry the site's cookie; other callers the token as the API takes it.
    const auto user = sessions.UserOfToken(
        request.has_param("token") ? request.get_param_value("token") : WebCookie::Token(request));
    if (!user) {
        Refuse(response, 403, "请先在客户端登录，再从客户端打开此页");
        return;
    }
    PdfTools::Request job;
    job.tool = request.matches[1];
    std::uint64_t total = 0;
    WorkDir workDir{limits.workRoot / RandomId("request-")};
    std::error_code error;
    fs::create_directories(workDir.path, error);
    if (error) {
        Refuse(response, 500, "服务无法保存上传的文件");
        return;
    }
    for (const auto& [field, part] : request.files) {
        if (field != "file") {
            job.options[field] = part.content;
            continue;
        }
        total += part.content.size();
        const fs::path path = workDir.path / ("input-" + std::to_string(job.files.size()));
        std::ofstream out(path, std::ios::binary);
        out.write(part.content.data(), static_cast<std::streamsize>(part.content.size()));
        if (!out.flush()) {
            Refuse(response, 500, "服务无法保存上传的文件");
            return;
        }
        job.files.push_back({part.filename.empty() ? "document.pdf" : part.filename, path});
    }
    if (total > UploadReceiver::kMaxUpload) {
        Refuse(response, 413, "文件太大");
        return;
    }
    job.workDir = workDir.path;
    job.cancel = &cancel;
    job.memoryLimit = limits.memory;
    PdfTools::Outcome outcome;
    OnPool([&] {
        job.deadline = ChildProcess::Clock::now() + limits.time;
        outcome = PdfTools::Run(job);
    });
    if (outcome.status != 200) {
        Refuse(response, outcome.status, outcome.message);
        return;
    }
    if (outcome.result.empty()) {
        Replies::Success(response, outcome.report);
        return;
    }
    if (!SendFile(response, outcome.result, ContentTypeOf(outcome.result))) {
        Refuse(response, 500, "服务无法读取结果");
        return;
    }
    response.set_header("Content-Disposition",
                        "attachment; filename*=UTF-8''" + PercentEncode(outcome.resultName));
}
