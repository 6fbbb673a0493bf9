#pragma once

#include "servicestore.h"

#include <filesystem>
#include <memory>
#include <mutex>

struct sqlite3;

// The service's store in one SQLite database file of its data directory, in write-ahead-log
// mode: a killed process loses at most the transaction it was in, never what was committed,
// and other processes (`--add-user` while the service runs) may write at the same time; one
// service at a time runs its tasks, on this machine's clock. One
// connection, used by one thread at a time.
class SqliteStore final : public ServiceStore
{
public:
    // Opens or creates the database (mode 0600); nothing, with `error`, when it cannot.
    static std::unique_ptr<SqliteStore> Open(const std::filesystem::path& file, std::string& error);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    std::optional<Account> FindAccount(const std::string& name) override;
    std::optional<std::string> AccountName(int userId) override;
    std::optional<bool> PutAccount(const Account& account, int firstUserId) override;

    bool PutSession(SessionKind kind, const std::string& key, const Session& session) override;
    std::optional<Session> FindSession(SessionKind kind, const std::string& key,
                                       Clock::time_point now) override;
    std::optional<Session> TakeSession(SessionKind kind, const std::string& key,
                                       Clock::time_point now) override;
    bool DropSession(SessionKind kind, const std::string& key) override;
    std::size_t DropExpiredSessions(Clock::time_point now) override;

    bool AddTask(const TaskRecord& task) override;
    void DropTask(const std::string& taskId) override;
    std::optional<Submission> SubmitTask(const std::string& taskId, int userId,
                                         const std::string& taskName,
                                         const std::string& newJobId) override;
    std::optional<TaskRecord> FindTask(const std::string& taskId) override;
    std::vector<TaskRecord> UserTasks(int userId) override;
    std::optional<TaskRecord> FindTaskByJob(const std::string& jobId) override;
    void RejectTask(const std::string& taskId, const std::string& message) override;
    std::optional<TaskRecord> ClaimTask(const std::string& owner,
                                        std::chrono::milliseconds lease) override;
    std::size_t RenewLeases(const std::string& owner, std::chrono::milliseconds lease) override;
    bool FinishTask(const std::string& taskId, const std::string& owner, bool ok,
                    const std::string& resultName, const std::string& message) override;
    bool ReturnTask(const std::string& taskId, const std::string& owner) override;
    std::size_t RecoverTasks(bool everyLease, int maxAttempts, std::chrono::milliseconds backoff,
                             const std::string& message) override;
    std::size_t CountWaitingTasks() override;
    // Only one process uses the database: its submits wake its own workers.
    void WatchQueue(std::function<void()> wake) override;
    bool Shared() const override { return false; }
    Clock::time_point Now() override;
    std::vector<std::string> SweepTasks(Clock::time_point cutoff) override;
    std::vector<std::string> TaskIds() override;

private:
    explicit SqliteStore(sqlite3* db);
    bool Execute(const char* sql);
    std::optional<TaskRecord> TaskWhere(const char* condition, const std::string& value);

    std::mutex mutex;
    sqlite3* db;
};
