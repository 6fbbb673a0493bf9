#include "taskstore.h"

#include "randomid.h"

#include <vector>

const char* StateName(TaskState state)
{
    switch (state) {
    case TaskState::Uploaded:
    case TaskState::Waiting:
        return "WAITING";
    case TaskState::Running:
        return "RUNNING";
    case TaskState::Failed:
        return "FAILED";
    case TaskState::Finished:
        return "FINISH";
    }
    return "FAILED";
}

TaskStore::TaskStore(std::filesystem::path root) : root(std::move(root)) {}

bool TaskStore::Reset(std::string& error)
{
    std::error_code code;
    std::filesystem::remove_all(root, code);
    std::filesystem::create_directories(root, code);
    if (code) {
        error = "cannot create " + root.string() + ": " + code.message();
        return false;
    }
    std::filesystem::permissions(root, std::filesystem::perms::owner_all, code);
    return true;
}

std::optional<std::string> TaskStore::CreateTaskDirectory(std::filesystem::path& directory)
{
    const std::string taskId = RandomId("task-");
    directory = root / taskId;
    std::error_code code;
    if (!std::filesystem::create_directory(directory, code)) {
        return std::nullopt;
    }
    return taskId;
}

void TaskStore::Discard(const std::string& taskId)
{
    {
        std::lock_guard lock(mutex);
        tasks.erase(taskId);
    }
    std::error_code code;
    std::filesystem::remove_all(root / taskId, code);
}

void TaskStore::Add(TaskRecord record)
{
    record.touched = Clock::now();
    std::lock_guard lock(mutex);
    tasks[record.taskId] = std::move(record);
}

std::optional<std::string> TaskStore::Submit(const std::string& taskId, int userId,
                                             const std::string& taskName, bool& alreadySubmitted)
{
    std::lock_guard lock(mutex);
    const auto found = tasks.find(taskId);
    if (found == tasks.end() || found->second.userId != userId) {
        return std::nullopt;
    }
    TaskRecord& task = found->second;
    alreadySubmitted = task.state != TaskState::Uploaded;
    if (!alreadySubmitted) {
        task.jobId = RandomId("job-");
        task.taskName = taskName;
        task.state = TaskState::Waiting;
        jobs[task.jobId] = taskId;
    }
    return task.jobId;
}

std::optional<TaskRecord> TaskStore::Find(const std::string& taskId, int userId) const
{
    std::lock_guard lock(mutex);
    const auto found = tasks.find(taskId);
    if (found == tasks.end() || found->second.userId != userId) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<TaskRecord> TaskStore::FindByJob(const std::string& jobId) const
{
    std::lock_guard lock(mutex);
    const auto job = jobs.find(jobId);
    if (job == jobs.end()) {
        return std::nullopt;
    }
    const auto found = tasks.find(job->second);
    if (found == tasks.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::uint64_t TaskStore::StoredBytesOf(int userId) const
{
    std::lock_guard lock(mutex);
    std::uint64_t bytes = 0;
    for (const auto& [taskId, task] : tasks) {
        if (task.userId != userId) {
            continue;
        }
        bytes += task.fileSize;
        std::error_code code;
        if (!task.result.empty()) {
            const auto size = std::filesystem::file_size(task.result, code);
            bytes += code ? 0 : size;
        }
    }
    return bytes;
}

std::optional<TaskRecord> TaskStore::Begin(const std::string& taskId)
{
    std::lock_guard lock(mutex);
    const auto found = tasks.find(taskId);
    if (found == tasks.end() || found->second.state != TaskState::Waiting) {
        return std::nullopt;
    }
    found->second.state = TaskState::Running;
    return found->second;
}

void TaskStore::Finish(const std::string& taskId, bool ok, const std::filesystem::path& result,
                       const std::string& message)
{
    std::lock_guard lock(mutex);
    const auto found = tasks.find(taskId);
    if (found == tasks.end()) {
        return;
    }
    TaskRecord& task = found->second;
    task.state = ok ? TaskState::Finished : TaskState::Failed;
    task.result = result;
    task.message = message;
    task.touched = Clock::now();
}

std::size_t TaskStore::Sweep(Clock::time_point now)
{
    std::vector<std::string> expired;
    {
        std::lock_guard lock(mutex);
        for (auto it = tasks.begin(); it != tasks.end();) {
            const TaskRecord& task = it->second;
            const bool busy = task.state == TaskState::Waiting || task.state == TaskState::Running;
            if (!busy && now - task.touched >= kRetention) {
                jobs.erase(task.jobId);
                expired.push_back(it->first);
                it = tasks.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const std::string& taskId : expired) {
        std::error_code code;
        std::filesystem::remove_all(root / taskId, code);
    }
    return expired.size();
}
