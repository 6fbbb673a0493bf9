#pragma once

#include "taskrecord.h"

#include <chrono>
#include <filesystem>
#include <functional>
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
    // A task whose conversion was cut short this often (its service ended or lost it each
    // time) is not tried again: the document itself may end the converter.
    static constexpr int kMaxAttempts = 3;
    static constexpr const char* kInterrupted =
        "the conversion was interrupted 3 times; the file may not be convertible";

    TaskStore(ServiceStore& store, std::filesystem::path root);

    // Takes up the tasks of an earlier run. When no other service shares the store, the
    // tasks it was converting go back to the queue at once and directories without a task
    // are removed (with a shared store they may be another service's uploads under way).
    // False, with `error`, when the root cannot be used.
    bool Resume(std::string& error);
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
    // Fails a submitted task that cannot be converted, before a worker takes it.
    void Reject(const std::string& taskId, const std::string& message);
    // Takes the oldest waiting task for `owner` under a lease of `lease`.
    std::optional<TaskRecord> Claim(const std::string& owner, std::chrono::milliseconds lease);
    // Records the outcome while `owner` holds the lease; false when it was lost, and the
    // task is then someone else's.
    bool Finish(const std::string& taskId, const std::string& owner, bool ok,
                const std::filesystem::path& result, const std::string& message);
    // Puts a task `owner` still holds back in the queue, its attempt not counted; false when
    // the lease was lost.
    bool HandBack(const std::string& taskId, const std::string& owner);
    // Whether the task still waits for a worker.
    bool Waiting(const std::string& taskId) const;
    // The tasks waiting for a worker, in every service sharing the store.
    std::size_t WaitingCount() const;
    // Tasks whose lease ended go back to the queue, held back `backoff` for every attempt
    // made; how many.
    std::size_t Recover(std::chrono::milliseconds backoff);
    void Renew(const std::string& owner, std::chrono::milliseconds lease);
    // Calls `wake` when another service queued a task; an empty `wake` stops that.
    void WatchQueue(std::function<void()> wake);
    // The store's clock.
    Clock::time_point Now() const;
    // Removes tasks untouched for the retention time, running ones excepted.
    std::size_t Sweep(Clock::time_point now);

    std::filesystem::path Root() const { return root; }

private:
    // The record with its file names made paths in its directory.
    std::optional<TaskRecord> Located(std::optional<TaskRecord> task) const;

    ServiceStore& store;
    std::filesystem::path root;
};
