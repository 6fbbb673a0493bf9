#pragma once

#include "base/windowmessage.h"
#include "task/downloadfilesthread.h"
#include "task/queryconvertthread.h"
#include "task/serviceaccess.h"
#include "task/uploadfilesthread.h"

#include <array>
#include <cstdint>

class ClientInfoRecord;
class ConversionList;
class RecordList;
class MessageTarget;

// The three stages of a conversion run, owned together: upload and submit, polling, and
// download. They share one list, one window and one service.
class ConversionPipeline
{
public:
    struct Wiring
    {
        MessageTarget* window = nullptr;
        ConversionList* list = nullptr;
        RecordList* completed = nullptr;
        ServiceAccess access;
        const ClientInfoRecord* clientInfo = nullptr;
        std::uint32_t pollIntervalMs = CQueryConvertThread::kDefaultPollIntervalMs;
        // How long a file's task may be polled, and how long its download may take.
        std::chrono::milliseconds fileTimeLimit = CQueryConvertThread::kDefaultTimeLimit;
    };

    // Set while no stage runs.
    void Wire(const Wiring& wiring);
    // Starts a new run: upload, poller and download, in this order; false when a stage
    // refused.
    bool Start();
    // True for a WM_CONVERT_FINISH of the run started last. A stage of an earlier run (a
    // poller that was still sleeping, say) may post its finish after the next run began.
    bool IsCurrentFinish(const WindowMessage& message) const { return message.wParam == run; }
    bool IsRunning() const;
    // Stops every stage that still runs, each within `ms`.
    void StopRunning(std::uint32_t ms);

    OwnedThread<CUploadFilesThread> upload;
    OwnedThread<CQueryConvertThread> query;
    OwnedThread<CDownloadFilesThread> download;

private:
    std::array<CConvertBaseThread*, 3> Stages() { return {&upload, &query, &download}; }

    std::uint32_t run = 0; // the run started last
};
