#include "task/uploadfilesthread.h"

#include "base/tokenrecord.h"
#include "settings/clientinfo.h"
#include "task/catalogue.h"
#include "task/conversionlist.h"
#include "task/fileadmission.h"
#include "task/taskreplies.h"
#include "utility/applog.h"
#include "utility/utilitycalls.h"

namespace {

constexpr std::string_view kLog = "CUploadFilesThread::Run";
constexpr std::int32_t kUploadChunkSize = 65536;
constexpr int kUploadProgress = 25;
constexpr int kSubmittedProgress = 45;

} // namespace

CUploadFilesThread::CUploadFilesThread()
{
    SetChunkSize(kUploadChunkSize);
}

int CUploadFilesThread::Run()
{
    ConversionList* list = BeginStage(functionName);
    if (!list)
        return 0;
    SetCookie("agent=" + (clientInfo ? clientInfo->Get().ag : std::string()));
    ConversionStore& store = list->Store();

    for (int i = 0; i < store.GetCount(functionName); ++i) {
        AppLog(kLog, "UploadFile");
        if (StopRequested()) {
            PreFinish();
            return 0;
        }
        UpdateItem(functionName, i, ConversionStatus::Uploading, kUploadProgress, "25",
                   std::nullopt);
        PostItemChanged(i);

        const auto token = service.Token();
        if (!token) {
            FailRow(i, ConversionStatus::TokenFailed, "@string/str_conv_tip_err100");
            continue;
        }
        const std::string source = store.GetSourcePath(functionName, i);
        // A local file problem is reported as one, not as the upload's network failure.
        if (const LocalFileState state = CheckLocalFile(source);
            state != LocalFileState::Readable) {
            FailRow(i, ConversionStatus::UploadFailed,
                    state == LocalFileState::Missing ? "@string/str_conv_tip_file"
                                                     : "@string/str_conv_tip_unreadable");
            continue;
        }
        std::string taskId;
        const Outcome upload = UploadRow(i, source, *token, taskId);
        if (upload == Outcome::Stopped)
            break;
        if (upload == Outcome::Failed)
            continue;
        if (StopRequested()) {
            PreFinish();
            return 0;
        }
        if (SubmitRow(i, source, *token, taskId) == Outcome::Stopped) {
            PreFinish();
            return 0;
        }
    }
    AppLog(kLog, "UploadFile  Finish");
    return 0;
}

CUploadFilesThread::Outcome CUploadFilesThread::UploadRow(int index, const std::string& source,
                                                          const std::string& token,
                                                          std::string& taskId)
{
    PrepareMultipart(source);
    const std::string url = service.Url(
        "/v2/task/upload",
        {{"plateform", "pc"}, {"token", token}, {"taskname", GetTaskName(functionName)}});
    std::string response;
    int progressIndex = index;
    switch (Upload(url, source, &GetStopEvent(), &progressIndex, response)) {
    case Result::kDone:
        break;
    case Result::kStopped:
        PreFinish();
        return Outcome::Stopped;
    default:
        FailRow(index, ConversionStatus::UploadFailed, "@string/str_conv_tip_net");
        return Outcome::Failed;
    }

    const UploadReply reply = ParseUploadReply(response);
    if (!reply.accepted) {
        FailRow(index, ConversionStatus::UploadFailed,
                RejectedDetail(reply.ret, "@string/str_conv_tip_conv"));
        return Outcome::Failed;
    }
    taskId = reply.taskId;
    UpdateItem(functionName, index, ConversionStatus::Uploading, kUploadProgress, "25",
               std::nullopt);
    PostItemChanged(index);
    return Outcome::Done;
}

CUploadFilesThread::Outcome CUploadFilesThread::SubmitRow(int index, const std::string& source,
                                                          const std::string& token,
                                                          const std::string& taskId)
{
    if (!Utility::Utf8ToUnicode(taskId)) {
        FailRow(index, ConversionStatus::TaskFailed, "@string/str_conv_tip_err102");
        return Outcome::Failed;
    }
    const std::string url =
        service.Url("/task/submitTask", {{"plateform", "pc"},
                                         {"token", token},
                                         {"taskId", taskId},
                                         {"taskname", GetTaskName(functionName)}});
    const auto reply =
        Utility::Request(GetStopEvent(), "POST", url, "Content-Type: application/json", "");
    if (reply.status != 200) {
        if (StopRequested())
            return Outcome::Stopped;
        FailRow(index, ConversionStatus::TaskFailed, "@string/str_conv_tip_net");
        return Outcome::Failed;
    }

    const SubmitReply submitted = ParseSubmitReply(reply.body);
    if (!submitted.accepted) {
        FailRow(index, ConversionStatus::TaskFailed,
                RejectedDetail(submitted.ret, "@string/str_conv_tip_net"));
        return Outcome::Failed;
    }
    const std::string& jobId = submitted.jobId;
    // The identifiers go in before the status, so the poller never sees a Submitted row
    // without them.
    GetConvList()->Store().SetTaskInfo(functionName, index, ServerTaskInfo{taskId, jobId, source});
    UpdateItem(functionName, index, ConversionStatus::Submitted, kSubmittedProgress, "45",
               std::nullopt);
    PostItemChanged(index);
    return Outcome::Done;
}

void CUploadFilesThread::FailRow(int index, ConversionStatus status, const std::string& detail)
{
    UpdateItem(functionName, index, status, -1, detail, "@string/str_conv_fail");
    PostItemChanged(index);
}

std::string CUploadFilesThread::RejectedDetail(std::optional<std::int32_t> ret,
                                               const char* otherwise)
{
    return service.RefreshTokenIfExpired(ret) ? "@string/str_conv_tip_err101" : otherwise;
}

void CUploadFilesThread::OnProgress(int /*state*/, std::uint32_t total, std::uint32_t done,
                                    void* userData)
{
    ConversionList* list = GetConvList();
    if (!userData || !list)
        return;
    const int index = *static_cast<const int*>(userData);
    if (index < 0 || index >= list->Store().GetCount(functionName))
        return;
    const auto progress = total == 0
                              ? kUploadProgress
                              : static_cast<int>(std::uint64_t{done} * kUploadProgress / total);
    list->Store().SetProgress(functionName, index, progress);
}
