#include "task/queryconvertthread.h"

#include "task/conversionlist.h"
#include "task/taskreplies.h"
#include "utility/applog.h"
#include "utility/utilitycalls.h"

namespace {

constexpr std::string_view kLog = "CQueryConvertThread::Run";
constexpr int kConvertedProgress = 70;

} // namespace

int CQueryConvertThread::Run()
{
    ConversionList* list = BeginStage(functionName);
    if (!list)
        return 0;
    ConversionStore& store = list->Store();
    firstPolled.clear();

    for (;;) {
        AppLog(kLog, "QueryConvert  While");
        if (StopRequested())
            break;
        if (!store.AnyStatus(functionName, IsBeforeConverted))
            return 0;
        for (int i = 0; i < store.GetCount(functionName); ++i) {
            if (StopRequested())
                break;
            if (store.GetStatus(functionName, i) != ConversionStatus::Submitted)
                continue;
            const auto token = service.Token();
            if (!token) {
                UpdateItem(functionName, i, ConversionStatus::TokenFailed, -1,
                           "@string/str_conv_tip_err200", "@string/str_conv_fail");
                PostItemChanged(i);
                continue;
            }
            QueryRow(i, *token);
        }
        AppLog(kLog, "QueryConvert  Finish");
        if (WaitForStop(pollIntervalMs))
            break;
    }
    PreFinish();
    return 0;
}

void CQueryConvertThread::QueryRow(int index, const std::string& token)
{
    const ServerTaskInfo task = GetConvList()->Store().GetTaskInfo(functionName, index);
    if (!Utility::Utf8ToUnicode(task.taskId) || !Utility::Utf8ToUnicode(task.jobId)) {
        FailRow(index, "@string/str_conv_tip_err202");
        return;
    }
    const std::string url = service.Url(
        "/task/taskQuery",
        {{"plateform", "pc"}, {"token", token}, {"taskId", task.taskId}, {"jobId", task.jobId}});
    const auto reply =
        Utility::Request(GetStopEvent(), "POST", url, "Content-Type: application/json", "");
    if (reply.status != 200) {
        if (!StopRequested()) // a stopped request leaves the row to the finishing step
            FailRow(index, "@string/str_conv_tip_net");
        return;
    }

    const QueryReply query = ParseQueryReply(reply.body);
    if (!query.accepted) {
        if (service.RefreshTokenIfExpired(query.ret))
            FailRow(index, "@string/str_conv_tip_err201");
        else
            FailRowWithServiceText(index, query.ret.value_or(0) != 0 ? query.msg : std::string());
        return;
    }
    const std::string& taskState = query.taskState;
    const std::string& downloadUrl = query.downloadUrl;

    if (taskState == "WAITING" || taskState == "RUNNING") {
        if (PolledTooLong(index))
            FailRow(index, "@string/str_conv_tip_timeout");
        return;
    }
    if (taskState == "FAILED") {
        FailRow(index, "@string/str_conv_tip_query");
        return;
    }
    if (taskState == "FINISH" && (query.ret.value_or(0) != 0 || downloadUrl.empty())) {
        FailRowWithServiceText(index, Utility::Utf8ToUnicode(query.msg).value_or(std::string()));
        return;
    }
    if (downloadUrl.empty() || !Utility::Utf8ToUnicode(downloadUrl)) {
        FailRow(index, "@string/str_conv_tip_err202");
        return;
    }
    GetConvList()->Store().SetDownloadUrl(functionName, index, downloadUrl);
    UpdateItem(functionName, index, ConversionStatus::Converted, kConvertedProgress, "70",
               std::nullopt);
    PostItemChanged(index);
}

bool CQueryConvertThread::PolledTooLong(int index)
{
    const auto now = std::chrono::steady_clock::now();
    const auto [entry, first] = firstPolled.try_emplace(index, now);
    return !first && now - entry->second > timeLimit;
}

void CQueryConvertThread::FailRow(int index, const std::string& detail)
{
    UpdateItem(functionName, index, ConversionStatus::TaskFailed, -1, detail,
               "@string/str_conv_fail");
    PostItemChanged(index);
}

void CQueryConvertThread::FailRowWithServiceText(int index, const std::string& text)
{
    UpdateItem(functionName, index, ConversionStatus::TaskFailed, -1, std::nullopt,
               "@string/str_conv_fail");
    GetConvList()->Store().SetDetailText(functionName, index, text);
    PostItemChanged(index);
}
