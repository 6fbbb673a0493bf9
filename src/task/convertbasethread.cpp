#include "task/convertbasethread.h"

#include "adapter/recordlist.h"
#include "task/conversionlist.h"
#include "utility/applog.h"
#include "utility/stringtable.h"
#include "utility/tc_checkpath.h"

namespace {
constexpr std::string_view kPreFinishLog = "CConvertBaseThread::PreFinish";
}

void CConvertBaseThread::UpdateItem(std::string_view functionName, int index,
                                    ConversionStatus status, int progress,
                                    const std::optional<std::string>& detailText,
                                    const std::optional<std::string>& statusText)
{
    ConversionList* list = GetConvList();
    if (!list || IsEarlierRun())
        return;
    ConversionStore& store = list->Store();
    store.SetStatus(functionName, index, status);
    if (progress >= 0)
        store.SetProgress(functionName, index, progress);
    if (detailText)
        store.SetDetailText(functionName, index, StringTable::Resolve(*detailText));
    if (statusText)
        store.SetStatusText(functionName, index, StringTable::Resolve(*statusText));
}

void CConvertBaseThread::AddCompletedRecord(const std::string& path, int cost)
{
    RecordList* list = GetCompletedList();
    if (!list)
        return;
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::uint64_t size = 0;
        if (TC_CHECKPATH::TC_FileExist(path.c_str()) &&
            TC_CHECKPATH::TC_GetFileSize(path.c_str(), &size) == 0) {
            list->AddRecord(FileRecord{static_cast<std::uint32_t>(cost), path, FormatSizeText(size),
                                       list->DateText()});
            return;
        }
        if (!IsRunning())
            return;
        Sleep(100);
    }
}

ConversionList* CConvertBaseThread::BeginStage(std::string& functionName)
{
    bodyRun.store(run.load());
    ConversionList* list = GetConvList();
    if (StopRequested() || !list) {
        PreFinish();
        return nullptr;
    }
    functionName = list->GetFunctionName();
    return list;
}

void CConvertBaseThread::PostListChanged()
{
    Post(WM_CONVERT_LIST_CHANGED);
}

void CConvertBaseThread::PostItemChanged(int index)
{
    Post(WM_CONVERT_ITEM_CHANGED, static_cast<std::uintptr_t>(index));
}

void CConvertBaseThread::PostCompletedChanged()
{
    Post(WM_COMPLETED_LIST_CHANGED);
}

void CConvertBaseThread::PostFileDone(const std::string& path)
{
    Post(WM_CONVERT_FILE_DONE, 0, path);
}

void CConvertBaseThread::PreFinish()
{
    AppLog(kPreFinishLog, "PreFinish  start");
    ConversionList* list = GetConvList();
    if (!list)
        return;
    AppLog(kPreFinishLog, "PreFinish  1");
    const std::string name = list->GetFunctionName();
    AppLog(kPreFinishLog, "PreFinish  2");
    // Test and set in one step, so a row that another stage just finished is left alone.
    ConversionStore& store = list->Store();
    bool changed = false;
    const int count = IsEarlierRun() ? 0 : store.GetCount(name);
    for (int row = 0; row < count; ++row) {
        if (!store.SetStatusIf(name, row, IsInPipeline, ConversionStatus::Aborted))
            continue;
        store.SetDetailText(name, row, StringTable::Resolve("@string/str_conv_tip_logout"));
        store.SetStatusText(name, row, StringTable::Resolve("@string/str_conv_fail"));
        changed = true;
    }
    if (changed)
        PostListChanged();
    AppLog(kPreFinishLog, "PreFinish  3");
    if (GetMainWnd()) {
        AppLog(kPreFinishLog, "PostMessageW  WM_CONVERT_FINISH****PreFinish");
        PostFinish();
    }
}

void CConvertBaseThread::PostFinish()
{
    Post(WM_CONVERT_FINISH, bodyRun.load());
}
