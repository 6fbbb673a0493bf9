#pragma once

#include "task/downloadfilesthread.h"
#include "task/queryconvertthread.h"
#include "task/serviceaccess.h"
#include "task/uploadfilesthread.h"

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
    // Starts upload, poller and download, in this order; false when a stage refused.
    bool Start();
    bool IsRunning() const;
    // Stops every stage that still runs, each within `ms`.
    void StopRunning(std::uint32_t ms);

    CUploadFilesThread upload;
    CQueryConvertThread query;
    CDownloadFilesThread download;
};
