#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

enum class TaskState
{
    Uploaded,
    Waiting,
    Running,
    Failed,
    Finished,
};

// The wire name of a state ("WAITING", "RUNNING", "FAILED", "FINISH").
const char* StateName(TaskState state);

struct TaskRecord
{
    std::string taskId;
    std::string docId;
    std::string jobId;
    std::string taskName;
    std::string fileName; // as the client named it; shown only, never used as a path
    std::string fileType;
    int userId = 0;
    std::uint64_t fileSize = 0;
    std::filesystem::path input;
    std::filesystem::path result;
    std::string message;
    TaskState state = TaskState::Uploaded;
    std::chrono::system_clock::time_point touched; // upload, or the end of the conversion
};

// Uploaded files, their conversion jobs and results, each task in a directory of its own
// under `root` named by its generated id. Kept for `retention` after the last change.
class TaskStore
{
public:
    using Clock = std::chrono::system_clock;
    static constexpr std::chrono::hours kRetention{24};

    explicit TaskStore(std::filesystem::path root);

    // Empties the root: tasks of an earlier run are not served again.
    bool Reset(std::string& error);
    // A new task id with its empty directory.
    std::optional<std::string> CreateTaskDirectory(std::filesystem::path& directory);
    void Discard(const std::string& taskId);
    void Add(TaskRecord record);

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
    // Removes tasks untouched for the retention time, running ones excepted.
    std::size_t Sweep(Clock::time_point now);

    std::filesystem::path Root() const { return root; }

private:
    std::filesystem::path root;
    mutable std::mutex mutex;
    std::map<std::string, TaskRecord> tasks; // by task id
    std::map<std::string, std::string> jobs; // job id -> task id
};
