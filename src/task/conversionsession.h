#pragma once

#include "adapter/recordlist.h"
#include "base/windowmessage.h"
#include "task/conversionlist.h"
#include "task/conversionpipeline.h"
#include "task/fileadmission.h"
#include "task/retrydownloadthread.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class AccountAccess;

// What a conversion session asks of and tells the program that drives it: the main window,
// the command-line converter or a test. Called on the driving thread.
class ConversionHost
{
public:
    virtual ~ConversionHost() = default;

    // True when the user is signed in; otherwise offers the login and answers false.
    virtual bool SignedIn() = 0;
    // True when the session with the service can carry a run; otherwise the user was told why.
    virtual bool SessionReady() = 0;
    // True when the service's data (the home sort list) is at hand; otherwise its fetch was
    // started again and the user told to wait.
    virtual bool ServiceDataReady() = 0;
    // Runs `work` once, `delay` from now, on the driving thread.
    virtual void After(std::chrono::milliseconds delay, std::function<void()> work) = 0;

    // The shown function's rows changed: all of them, or the one at `row`.
    virtual void RowsChanged() = 0;
    virtual void RowChanged(int row) = 0;
    // The stages of the run ended: the list may offer the next batch.
    virtual void RunFinished() = 0;
};

// The conversion flow the window and the command-line converter share: the rows of every
// function, the three pipeline stages, the re-download thread and the completed and open
// record lists, with the steps between them (admitting files, the checks before a start,
// planning result paths, waiting for the stages to end, downloading a row again). Built by
// the program's main and borrowed by the windows. Driving-thread only, except where the
// pipeline's own threads work on the rows.
class ConversionSession
{
public:
    struct Settings
    {
        ServiceAccess access{};
        const ClientInfoRecord* clientInfo = nullptr;
        std::chrono::milliseconds pollInterval{CQueryConvertThread::kDefaultPollIntervalMs};
        // How long a file's task may be polled, and how long its download may take.
        std::chrono::milliseconds fileTimeLimit = CQueryConvertThread::kDefaultTimeLimit;
        AccountAccess* account = nullptr; // the account a re-download needs signed in
    };

    // How a start ended.
    enum class StartResult
    {
        Started,
        NotSignedIn, // the login was offered
        NoRows,
        NotReady, // the rows are back to Waiting; the user was told why
    };

    explicit ConversionSession(Settings settings);
    ConversionSession(const ConversionSession&) = delete;
    ConversionSession& operator=(const ConversionSession&) = delete;

    // Sets who drives the session and where the threads post (the same window, as a rule);
    // null for both detaches, after which nothing is posted. Set while no thread runs.
    void Attach(ConversionHost* host, MessageTarget* target);
    // Stops every thread of the session, then detaches its host and target.
    void Detach();
    // Replaces how the stages reach the service, as after a sign-in. Set while no stage runs.
    void SetServiceAccess(const ServiceAccess& access);

    // Loads the completed and open records from <appDataDir>xml/; empty keeps them in memory.
    void LoadRecords(const std::string& appDataDir);
    // Puts `path` at the top of the open records, keeping an existing record's size and date.
    void AddOpenRecord(const std::string& path);

    std::string CurrentFunction() const { return list.GetFunctionName(); }
    // Shows the rows of `functionName`.
    void ShowFunction(const std::string& functionName);
    // True when `functionName` has rows, and the first of them is (or is not) completed: a
    // finished batch, or one still pending.
    bool HasFinishedBatch(const std::string& functionName) const;
    bool HasPendingBatch(const std::string& functionName) const;
    // The shown function's rows.
    int RowCount() const;
    bool CanAddFiles() const;
    // Adds files to the shown rows within the list's limits; the notices to show, or nullopt
    // when no file could be taken now (a running batch, or no service data yet).
    std::optional<std::vector<AdmissionNotice>> AddFiles(const std::vector<std::string>& paths,
                                                         bool fromPlugin);
    void RemoveRow(int row);
    // Empties the shown rows for a new batch.
    void ClearRows();

    // Checks the account and the service, plans every result path (beside its source when
    // `customDir` is empty) and starts the three stages.
    StartResult Start(const std::string& customDir);
    // Handles a WM_CONVERT_FINISH: once the upload and download stages of the current run
    // ended (after at most five seconds they are stopped), the host hears RunFinished.
    void OnConvertFinish(const WindowMessage& message);
    // True while a row of the shown function is between Queued and Converted.
    bool IsConverting() const;
    bool IsRunning() const { return pipeline.IsRunning(); }
    // Stops the pipeline stages that still run, each within `ms`.
    void StopRunning(std::uint32_t ms);

    // Downloads the shown function's row again; false when the user is not signed in.
    bool Redownload(int row);
    bool IsRedownloading() const { return retry.IsRunning(); }

    ConversionList& List() { return list; }
    const ConversionList& List() const { return list; }
    ConversionPipeline& Pipeline() { return pipeline; }
    CRetryDownloadThread& RetryThread() { return retry; }
    RecordList& CompletedList() { return completed; }
    RecordList& OpenRecordList() { return openRecords; }

private:
    void FinishWaitTick();
    // Starts the re-download thread when rows wait for it and it does not run.
    void ResumeRedownloads();
    // Runs `work` after `delay` unless the session is gone by then.
    void Later(std::chrono::milliseconds delay, void (ConversionSession::*work)());

    Settings settings;
    ConversionHost* host = nullptr;
    // The rows and records come before the threads that use them, so the threads stop first.
    ConversionList list;
    RecordList completed{RecordKind::Completed};
    RecordList openRecords{RecordKind::OpenRecord};
    ConversionPipeline pipeline;
    OwnedThread<CRetryDownloadThread> retry;
    bool finishWaiting = false;
    int finishChecks = 0;
    // Expires with the session, so work scheduled for later finds it gone.
    std::shared_ptr<int> alive = std::make_shared<int>(0);
};
