#include "taskstore.h"

#include "randomid.h"
#include "servicestore.h"

#include <set>

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

TaskStore::TaskStore(ServiceStore& store, std::filesystem::path root)
    : store(store), root(std::move(root))
{
}

bool TaskStore::Resume(std::string& error)
{
    std::error_code code;
    std::filesystem::create_directories(root, code);
    if (code) {
        error = "cannot create " + root.string() + ": " + code.message();
        return false;
    }
    if (store.Shared()) {
        return true;
    }
    std::filesystem::permissions(root, std::filesystem::perms::owner_all, code);
    store.RecoverTasks(true, kMaxAttempts, std::chrono::milliseconds(0), kInterrupted);

    // An upload cut short by the end of the process left a directory without a record.
    const auto ids = store.TaskIds();
    const std::set<std::string> known(ids.begin(), ids.end());
    std::vector<std::filesystem::path> orphans;
    for (const auto& entry : std::filesystem::directory_iterator(root, code)) {
        if (!known.count(entry.path().filename().string())) {
            orphans.push_back(entry.path());
        }
    }
    for (const auto& orphan : orphans) {
        std::filesystem::remove_all(orphan, code);
    }
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
    store.DropTask(taskId);
    std::error_code code;
    std::filesystem::remove_all(root / taskId, code);
}

bool TaskStore::Add(TaskRecord record)
{
    record.touched = store.Now();
    record.input = record.input.filename();
    record.result = record.result.filename();
    return store.AddTask(record);
}

std::optional<std::string> TaskStore::Submit(const std::string& taskId, int userId,
                                             const std::string& taskName, bool& alreadySubmitted)
{
    const auto submitted = store.SubmitTask(taskId, userId, taskName, RandomId("job-"));
    if (!submitted) {
        return std::nullopt;
    }
    alreadySubmitted = submitted->alreadySubmitted;
    return submitted->jobId;
}

std::optional<TaskRecord> TaskStore::Located(std::optional<TaskRecord> task) const
{
    if (task) {
        const std::filesystem::path directory = root / task->taskId;
        task->input = directory / task->input;
        if (!task->result.empty()) {
            task->result = directory / task->result;
        }
    }
    return task;
}

std::optional<TaskRecord> TaskStore::Find(const std::string& taskId, int userId) const
{
    auto task = store.FindTask(taskId);
    if (!task || task->userId != userId) {
        return std::nullopt;
    }
    return Located(std::move(task));
}

std::optional<TaskRecord> TaskStore::FindByJob(const std::string& jobId) const
{
    return Located(store.FindTaskByJob(jobId));
}

std::uint64_t TaskStore::StoredBytesOf(int userId) const
{
    std::uint64_t bytes = 0;
    for (auto& task : store.UserTasks(userId)) {
        bytes += task.fileSize;
        if (const auto located = Located(std::move(task)); !located->result.empty()) {
            std::error_code code;
            const auto size = std::filesystem::file_size(located->result, code);
            bytes += code ? 0 : size;
        }
    }
    return bytes;
}

std::optional<TaskRecord> TaskStore::Claim(const std::string& owner,
                                           std::chrono::milliseconds lease)
{
    return Located(store.ClaimTask(owner, lease));
}

bool TaskStore::Finish(const std::string& taskId, const std::string& owner, bool ok,
                       const std::filesystem::path& result, const std::string& message)
{
    return store.FinishTask(taskId, owner, ok, result.filename().string(), message);
}

std::size_t TaskStore::Recover(std::chrono::milliseconds backoff)
{
    return store.RecoverTasks(false, kMaxAttempts, backoff, kInterrupted);
}

void TaskStore::Reject(const std::string& taskId, const std::string& message)
{
    store.RejectTask(taskId, message);
}

void TaskStore::Renew(const std::string& owner, std::chrono::milliseconds lease)
{
    store.RenewLeases(owner, lease);
}

void TaskStore::WatchQueue(std::function<void()> wake)
{
    store.WatchQueue(std::move(wake));
}

TaskStore::Clock::time_point TaskStore::Now() const
{
    return store.Now();
}

bool TaskStore::HandBack(const std::string& taskId, const std::string& owner)
{
    return store.ReturnTask(taskId, owner);
}

bool TaskStore::Waiting(const std::string& taskId) const
{
    const auto task = store.FindTask(taskId);
    return task && task->state == TaskState::Waiting;
}

std::size_t TaskStore::WaitingCount() const
{
    return store.CountWaitingTasks();
}

std::size_t TaskStore::Sweep(Clock::time_point now)
{
    const auto expired = store.SweepTasks(now - kRetention);
    for (const std::string& taskId : expired) {
        std::error_code code;
        std::filesystem::remove_all(root / taskId, code);
    }
    return expired.size();
}
