#include "task/retrydownloadthread.h"

#include "base/accountaccess.h"
#include "task/conversionlist.h"

namespace {
constexpr int kRedownloadProgress = 70;
}

void CRetryDownloadThread::Enqueue(std::string functionName, int index)
{
    std::lock_guard lock(queueMutex);
    queue.push_back({std::move(functionName), index});
}

bool CRetryDownloadThread::TakeFront(QueuedRow& row)
{
    std::lock_guard lock(queueMutex);
    if (queue.empty())
        return false;
    row = std::move(queue.front());
    queue.pop_front();
    return true;
}

int CRetryDownloadThread::Run()
{
    if (!account || !account->IsSignedIn()) {
        if (account)
            account->PromptLogin();
        return 0;
    }
    if (!GetConvList())
        return 0;
    QueuedRow row;
    while (TakeFront(row))
        DownloadRow(row);
    return 0;
}

void CRetryDownloadThread::DownloadRow(const QueuedRow& row)
{
    const std::string& functionName = row.functionName;
    const int index = row.index;
    ConversionStore& store = GetConvList()->Store();
    UpdateItem(functionName, index, ConversionStatus::Redownloading, kRedownloadProgress, "70",
               std::nullopt);
    PostItemChanged(index);
    const auto path = ReserveName(store.GetOutputPath(functionName, index));
    Result result = Result::kFailed;
    if (path) {
        store.SetOutputPath(functionName, index, *path);
        int progressIndex = index;
        result = DownloadResult(store.GetDownloadUrl(functionName, index), functionName,
                                &GetStopEvent(), &progressIndex);
    }
    if (result == Result::kDone) {
        AddCompletedRecord(*path, store.GetCost(functionName, index));
        PostCompletedChanged();
        UpdateItem(functionName, index, ConversionStatus::RedownloadCompleted, -1,
                   "@string/str_conv_success", "@string/str_conv_success");
    } else {
        UpdateItem(functionName, index, ConversionStatus::DownloadFailed, -1,
                   FailureText(path ? std::optional<Result>(result) : std::nullopt),
                   "@string/str_conv_fail");
    }
    PostItemChanged(index);
}
