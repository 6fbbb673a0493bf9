#include "task/retrydownloadthread.h"

#include "account/accountlibrary.h"
#include "task/conversionlist.h"

namespace {
constexpr int kRedownloadProgress = 70;
}

CRetryDownloadThread::~CRetryDownloadThread()
{
    Stop();
}

void CRetryDownloadThread::Enqueue(int index)
{
    std::lock_guard lock(queueMutex);
    queue.push_back(index);
}

bool CRetryDownloadThread::TakeFront(int& index)
{
    std::lock_guard lock(queueMutex);
    if (queue.empty())
        return false;
    index = queue.front();
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
    ConversionList* list = GetConvList();
    if (!list)
        return 0;
    const std::string functionName = list->GetFunctionName();
    int index = 0;
    while (TakeFront(index))
        DownloadRow(functionName, index);
    return 0;
}

void CRetryDownloadThread::DownloadRow(const std::string& functionName, int index)
{
    ConversionStore& store = GetConvList()->Store();
    UpdateItem(functionName, index, ConversionStatus::Redownloading, kRedownloadProgress, "70",
               std::nullopt);
    PostItemChanged(index);
    const std::string path = store.GetOutputPath(functionName, index);
    int progressIndex = index;
    if (Download(store.GetDownloadUrl(functionName, index), path, &GetStopEvent(),
                 &progressIndex) == kDone) {
        AddCompletedRecord(path, store.GetCost(functionName, index));
        PostCompletedChanged();
        UpdateItem(functionName, index, ConversionStatus::RedownloadCompleted, -1,
                   "@string/str_conv_success", "@string/str_conv_success");
    } else {
        UpdateItem(functionName, index, ConversionStatus::DownloadFailed, -1,
                   "@string/str_conv_tip_download_fail", "@string/str_conv_fail");
    }
    PostItemChanged(index);
}
