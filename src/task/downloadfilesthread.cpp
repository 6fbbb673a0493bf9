#include "task/downloadfilesthread.h"

#include "task/conversionlist.h"
#include "utility/applog.h"

namespace {

constexpr std::string_view kLog = "CDownloadFilesThread::Run";

} // namespace

int CDownloadFilesThread::Run()
{
    ConversionList* list = BeginStage(functionName);
    if (!list)
        return 0;
    ConversionStore& store = list->Store();

    for (;;) {
        AppLog(kLog, "DownloadThread  While");
        Sleep(30);
        if (WaitForStop(30)) {
            PreFinish();
            return 0;
        }
        if (!store.AnyStatus(functionName, IsInPipeline))
            break;
        for (int i = 0; i < store.GetCount(functionName); ++i) {
            if (store.GetStatus(functionName, i) == ConversionStatus::Converted && !DownloadRow(i))
                break;
        }
    }
    AppLog(kLog, "DownloadThread  Finish");
    if (GetMainWnd()) {
        AppLog(kLog, "PostMessageW  WM_CONVERT_FINISH****Download");
        PostFinish();
    }
    return 0;
}

bool CDownloadFilesThread::DownloadRow(int index)
{
    ConversionStore& store = GetConvList()->Store();
    const std::string downloadUrl = store.GetDownloadUrl(functionName, index);
    const auto reserved = ReserveName(store.GetOutputPath(functionName, index));
    if (!reserved) {
        FailRow(index, FailureText(std::nullopt));
        return true;
    }
    const std::string& path = *reserved;
    SetUrl(downloadUrl);
    SetSavePath(path);
    store.SetOutputPath(functionName, index, path);

    int progressIndex = index;
    switch (const Result result =
                DownloadResult(downloadUrl, functionName, &GetStopEvent(), &progressIndex)) {
    case Result::kStopped:
        PreFinish();
        return false;
    case Result::kDone:
        UpdateItem(functionName, index, ConversionStatus::Completed, -1, "@string/str_conv_success",
                   "@string/str_conv_success");
        PostItemChanged(index);
        PostFileDone(path);
        AddCompletedRecord(path, store.GetCost(functionName, index));
        PostCompletedChanged();
        return true;
    default:
        FailRow(index, FailureText(result));
        return true;
    }
}

void CDownloadFilesThread::FailRow(int index, const std::string& detail)
{
    UpdateItem(functionName, index, ConversionStatus::DownloadFailed, -1, detail,
               "@string/str_conv_fail");
    PostItemChanged(index);
}
