#pragma once

#include <cstdint>
#include <string>

// Status of one row of the conversion list. The numbers are stored and compared as they are.
enum class ConversionStatus : std::int32_t
{
    Waiting = 0,
    Queued = 1,
    Uploading = 2,
    Submitted = 3,
    Converted = 4,
    Completed = 5,
    TokenFailed = 6,
    UploadFailed = 7,
    TaskFailed = 8,
    DownloadFailed = 9,
    Aborted = 11,
    RedownloadRequested = 17,
    Redownloading = 18,
    RedownloadCompleted = 19,
};

// Queued, Uploading, Submitted, Converted, RedownloadRequested or Redownloading.
bool IsInProgress(ConversionStatus status);
// Completed or RedownloadCompleted.
bool IsDone(ConversionStatus status);
// Queued to Submitted: the poller still has work.
bool IsBeforeConverted(ConversionStatus status);
// Queued to Converted: the download stage still has work; a stop aborts these rows.
bool IsInPipeline(ConversionStatus status);

// Identifiers the service issued for a row's task.
struct ServerTaskInfo
{
    std::string taskId;
    std::string jobId;
    std::string sourcePath;

    bool operator==(const ServerTaskInfo&) const = default;
};

// One row of the conversion list: created by the list, advanced by the pipeline stages.
struct ConversionItem
{
    ConversionStatus status = ConversionStatus::Waiting;
    std::int32_t cost = 0;
    std::int32_t progress = 0;
    std::string sourcePath;
    std::string outputPath;
    std::string sizeText;
    std::string downloadUrl;
    std::string statusText;
    std::string detailText;
    ServerTaskInfo task;

    bool operator==(const ConversionItem&) const = default;
};
