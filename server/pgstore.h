#pragma once

#include "servicestore.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

struct pg_conn;

// The service's store in a PostgreSQL database that any number of instances share. One
// connection, used by one thread at a time, opened again when the server dropped it; a
// second connection listens for queued tasks while `WatchQueue` is on. Every time is the
// database server's.
class PgStore final : public ServiceStore
{
public:
    // Connects to `conninfo` (a postgresql:// address) and sets up the tables; nothing, with
    // `error`, when it cannot.
    static std::unique_ptr<PgStore> Open(const std::string& conninfo, std::string& error);
    ~PgStore() override;
    PgStore(const PgStore&) = delete;
    PgStore& operator=(const PgStore&) = delete;

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
    std::optional<TaskRecord> FindTaskByJob(const std::string& jobId) override;
    std::vector<TaskRecord> UserTasks(int userId) override;
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
    void WatchQueue(std::function<void()> wake) override;
    bool Shared() const override { return true; }
    Clock::time_point Now() override;
    std::vector<std::string> SweepTasks(Clock::time_point cutoff) override;
    std::vector<std::string> TaskIds() override;

private:
    class Result;
    PgStore(std::string conninfo, pg_conn* connection);
    // Runs one statement with text parameters (bytes where `binary` says so).
    Result Query(const char* sql, const std::vector<std::string>& params,
                 const std::vector<bool>& binary = {});
    std::vector<TaskRecord> TasksOf(Result result);
    // Wakes the idle workers of every instance (the caller holds `mutex`).
    void NotifyQueued();
    void Listen(std::function<void()> wake);

    std::string conninfo;
    std::mutex mutex;
    pg_conn* connection;
    std::atomic<bool> listening{false};
    std::thread listener;
};
