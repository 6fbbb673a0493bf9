#pragma once

#include "taskrecord.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class ServiceStore;

// The wire name of a state ("WAITING", "RUNNING", "FAILED", "FINISH").
const char* StateName(TaskState state);

// Uploaded files, their conversion jobs and results: each task in a directory of its own
// under `root` named by its generated id, its record in the service's store. Kept for
// `retention` after the last change.
class TaskStore
{
public:
    using Clock = std::chrono::system_clock;
    static constexpr std::chrono::hours kRetention{24};
    // What a task that was converting when the service ended reports after the restart.
    static constexpr const char* kInterrupted =
        "the service restarted during the conversion; please convert the file again";

    TaskStore(ServiceStore& store, std::filesystem::path root);

    // Takes up the tasks of an earlier run: those that were converting fail with
    // `kInterrupted`, directories without a task are removed. Returns the waiting tasks, to
    // be queued again; nothing, with `error`, when the root cannot be used.
    std::optional<std::vector<std::string>> Resume(std::string& error);
    // A new task id with its empty directory.
    std::optional<std::string> CreateTaskDirectory(std::filesystem::path& directory);
    void Discard(const std::string& taskId);
    bool Add(TaskRecord record);

    // Queues the task under `taskName`; the job id, the same again for a repeated submit.
    std::optional<std::string> Submit(const std::string& taskId, int userId,
                                      const std::string& taskName, bool& alreadySubmitted);
    std::optional<TaskRecord> Find(const std::string& taskId, int userId) const;
    std::optional<TaskRecord> FindByJob(const std::string& jobId) const;
    // The bytes of the user's uploads and results.
    std::uint64_t StoredBytesOf(int userId) const;
    // Marks a waiting task running and returns it.
    std::optional<TaskRecord> Begin(const std::string& taskId);
    void Finish(const std::string& taskId, bool ok, const std::filesystem::path& result,
                const std::string& message);
    // Puts a running task back in the queue, as if it had not begun.
    void HandBack(const std::string& taskId);
    std::size_t WaitingCount() const;
    // Removes tasks untouched for the retention time, running ones excepted.
    std::size_t Sweep(Clock::time_point now);

    std::filesystem::path Root() const { return root; }

private:
    // The record with its file names made paths in its directory.
    std::optional<TaskRecord> Located(std::optional<TaskRecord> task) const;

    ServiceStore& store;
    std::filesystem::path root;
};
