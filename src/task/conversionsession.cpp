#include "task/conversionsession.h"

#include "adapter/recordfiles.h"
#include "task/catalogue.h"
#include "utility/applog.h"
#include "utility/tc_checkpath.h"

#include <algorithm>
#include <ctime>

namespace {

constexpr std::uint32_t kStageStopMs = 1000;
// The finish wait looks every 100 ms, fifty times at most.
constexpr std::chrono::milliseconds kFinishPoll{100};
constexpr int kFinishPolls = 50;
constexpr int kRedownloadStartProgress = 45;
constexpr std::chrono::milliseconds kRedownloadRecheck{300};

} // namespace

ConversionSession::ConversionSession(Settings settings) : settings(std::move(settings))
{
    const Settings& wired = this->settings;
    pipeline.Wire({nullptr, &list, &completed, wired.access, wired.clientInfo,
                   static_cast<std::uint32_t>(wired.pollInterval.count()), wired.fileTimeLimit});
    retry.SetConvList(&list);
    retry.SetCompletedList(&completed);
    retry.SetAccount(wired.account);
}

void ConversionSession::Attach(ConversionHost* newHost, MessageTarget* newTarget)
{
    host = newHost;
    finishWaiting = false;
    pipeline.SetWindow(newTarget);
    retry.SetMainWnd(newTarget);
}

void ConversionSession::Detach()
{
    pipeline.StopRunning(kStageStopMs);
    retry.Stop();
    Attach(nullptr, nullptr);
}

void ConversionSession::SetServiceAccess(const ServiceAccess& access)
{
    settings.access = access;
    pipeline.upload.SetServiceAccess(access);
    pipeline.query.SetServiceAccess(access);
}

void ConversionSession::LoadRecords(const std::string& appDataDir)
{
    for (RecordList* records : {&completed, &openRecords}) {
        const RecordKind kind =
            records == &completed ? RecordKind::Completed : RecordKind::OpenRecord;
        const std::string path = RecordFileLocation(kind, appDataDir);
        if (!records->Load(path))
            AppLog("ConversionSession::LoadRecords", "unreadable record file kept aside: " + path);
    }
}

void ConversionSession::AddOpenRecord(const std::string& path)
{
    if (const auto index = openRecords.FindPath(path)) {
        // Moves to the top, keeping its size and date.
        const FileRecord existing = openRecords.GetRecord(*index);
        openRecords.RemoveAt(*index);
        openRecords.AddRecord(existing);
        return;
    }
    FileRecord record;
    record.path = path;
    std::uint64_t size = 0;
    if (TC_CHECKPATH::TC_GetFileSize(path.c_str(), &size) != 0)
        size = 0;
    record.sizeText = FormatSizeText(size);
    record.timeText = openRecords.DateText();
    openRecords.AddRecord(record);
}

void ConversionSession::ShowFunction(const std::string& functionName)
{
    list.SetFunctionName(functionName);
    if (host)
        host->RowsChanged();
}

bool ConversionSession::HasFinishedBatch(const std::string& functionName) const
{
    const ConversionStore& store = list.Store();
    return store.GetCount(functionName) > 0 &&
           store.GetStatus(functionName, 0) == ConversionStatus::Completed;
}

bool ConversionSession::HasPendingBatch(const std::string& functionName) const
{
    return list.Store().GetCount(functionName) > 0 && !HasFinishedBatch(functionName);
}

int ConversionSession::RowCount() const
{
    return list.Store().GetCount(CurrentFunction());
}

bool ConversionSession::CanAddFiles() const
{
    return list.Store().CanAddFiles(CurrentFunction());
}

std::optional<std::vector<AdmissionNotice>>
ConversionSession::AddFiles(const std::vector<std::string>& paths, bool fromPlugin)
{
    if (!CanAddFiles() || !host || !host->ServiceDataReady())
        return std::nullopt;
    auto notices = AdmitFiles(list.Store(), CurrentFunction(), paths, fromPlugin);
    host->RowsChanged();
    return notices;
}

void ConversionSession::RemoveRow(int row)
{
    list.Store().RemoveAt(CurrentFunction(), row);
    if (host)
        host->RowsChanged();
}

void ConversionSession::ClearRows()
{
    list.Store().Clear(CurrentFunction());
    if (host)
        host->RowsChanged();
}

ConversionSession::StartResult ConversionSession::Start(const std::string& customDir)
{
    if (!host || !host->SignedIn())
        return StartResult::NotSignedIn;
    pipeline.StopRunning(kStageStopMs);
    const std::string function = CurrentFunction();
    ConversionStore& store = list.Store();
    if (store.GetCount(function) == 0)
        return StartResult::NoRows;
    store.SetAllStatus(function, ConversionStatus::Queued);
    host->RowsChanged();
    // The service data is looked at only once the session is known to be good.
    if (!host->SessionReady() || !host->ServiceDataReady()) {
        store.SetAllStatus(function, ConversionStatus::Waiting);
        host->RowsChanged();
        return StartResult::NotReady;
    }
    store.SetOutputPaths(function, customDir, GetResultSuffix(function), customDir.empty());
    if (!pipeline.Start())
        AppLog("ConversionSession::Start", "a stage did not start");
    return StartResult::Started;
}

void ConversionSession::OnConvertFinish(const WindowMessage& message)
{
    AppLog("ConversionSession::OnConvertFinish", "OnConvertFinish");
    // A finish of an earlier run, or one while the wait for this run's stages goes on.
    if (!pipeline.IsCurrentFinish(message) || finishWaiting)
        return;
    finishChecks = 0;
    FinishWaitTick();
}

void ConversionSession::FinishWaitTick()
{
    // The stage that posted the finish is still ending: wait for the stages without blocking.
    if (pipeline.upload.IsRunning() || pipeline.download.IsRunning()) {
        if (++finishChecks < kFinishPolls) {
            finishWaiting = true;
            Later(kFinishPoll, &ConversionSession::FinishWaitTick);
            return;
        }
        AppLog("ConversionSession::OnConvertFinish", "stages still running after 5 s: stopped");
        pipeline.StopRunning(kStageStopMs);
    }
    finishWaiting = false;
    if (host)
        host->RunFinished();
}

bool ConversionSession::IsConverting() const
{
    return list.Store().IsConverting(CurrentFunction());
}

void ConversionSession::StopRunning(std::uint32_t ms)
{
    pipeline.StopRunning(ms);
}

bool ConversionSession::Redownload(int row)
{
    // Signed out, the row would wait for a thread that ends at once: it stays as it is.
    if (!host || !host->SignedIn())
        return false;
    const std::string function = CurrentFunction();
    ConversionStore& store = list.Store();
    store.SetStatus(function, row, ConversionStatus::RedownloadRequested);
    store.SetProgress(function, row, kRedownloadStartProgress);
    host->RowChanged(row);
    retry.Enqueue(function, row);
    ResumeRedownloads();
    // A thread that was just ending may have missed the row: look again once it has ended.
    Later(kRedownloadRecheck, &ConversionSession::ResumeRedownloads);
    return true;
}

void ConversionSession::ResumeRedownloads()
{
    if (retry.IsRunning())
        return;
    const auto items = list.Store().GetItems(CurrentFunction());
    const bool waiting = std::any_of(items.begin(), items.end(), [](const ConversionItem& item) {
        return item.status == ConversionStatus::RedownloadRequested;
    });
    if (waiting)
        retry.Start();
}

void ConversionSession::Later(std::chrono::milliseconds delay, void (ConversionSession::*work)())
{
    if (!host)
        return;
    host->After(delay, [this, work, session = std::weak_ptr<int>(alive)] {
        if (!session.expired())
            (this->*work)();
    });
}
