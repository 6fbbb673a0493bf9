#pragma once

#include "taskrecord.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Everything the service keeps between runs: accounts, sign-in sessions and tasks. Each
// operation is complete in itself (one transaction), so any number of threads, and of
// processes sharing the store, may call it at once; no caller holds a lock across two calls.
// Task records name their files relative to the task's own directory. Times of tasks come
// from the store's clock, which every instance sharing the store sees alike.
class ServiceStore
{
public:
    using Clock = std::chrono::system_clock;

    struct Account
    {
        std::string name;
        int userId = 0; // 0: numbered by the store when the account is new
        int iterations = 0;
        std::string salt;
        std::string hash;
    };

    enum class SessionKind
    {
        GrantingTicket,
        ServiceTicket,
        Token,
    };

    struct Session
    {
        int userId = 0;
        std::string service; // the service a service ticket was issued for
        Clock::time_point expires;
    };

    struct Submission
    {
        std::string jobId;
        bool alreadySubmitted = false;
    };

    virtual ~ServiceStore() = default;

    virtual std::optional<Account> FindAccount(const std::string& name) = 0;
    virtual std::optional<std::string> AccountName(int userId) = 0;
    // Adds the account, numbered after the highest so far and from `firstUserId` on unless it
    // brings its own number, or replaces the password of the one with that name; true when
    // it was new, nothing when the store failed.
    virtual std::optional<bool> PutAccount(const Account& account, int firstUserId) = 0;

    virtual bool PutSession(SessionKind kind, const std::string& key, const Session& session) = 0;
    // The session while it has not expired at `now`.
    virtual std::optional<Session> FindSession(SessionKind kind, const std::string& key,
                                               Clock::time_point now) = 0;
    // Removes the session and returns it if it was live: of callers racing for one key, one
    // gets it.
    virtual std::optional<Session> TakeSession(SessionKind kind, const std::string& key,
                                               Clock::time_point now) = 0;
    virtual bool DropSession(SessionKind kind, const std::string& key) = 0;
    virtual std::size_t DropExpiredSessions(Clock::time_point now) = 0;

    virtual bool AddTask(const TaskRecord& task) = 0;
    virtual void DropTask(const std::string& taskId) = 0;
    // Moves the user's uploaded task to waiting under `newJobId`; a task already submitted
    // keeps its job. Nothing for an unknown task or another user's.
    virtual std::optional<Submission> SubmitTask(const std::string& taskId, int userId,
                                                 const std::string& taskName,
                                                 const std::string& newJobId) = 0;
    virtual std::optional<TaskRecord> FindTask(const std::string& taskId) = 0;
    virtual std::optional<TaskRecord> FindTaskByJob(const std::string& jobId) = 0;
    virtual std::vector<TaskRecord> UserTasks(int userId) = 0;
    // Fails a waiting task with `message` before any worker takes it.
    virtual void RejectTask(const std::string& taskId, const std::string& message) = 0;
    // Moves the oldest waiting task that is due to running under a lease held by `owner` for
    // `lease`, and returns it; of claimers racing for one task, one gets it.
    virtual std::optional<TaskRecord> ClaimTask(const std::string& owner,
                                                std::chrono::milliseconds lease) = 0;
    // Extends every lease `owner` holds to `lease` from now; how many it holds.
    virtual std::size_t RenewLeases(const std::string& owner, std::chrono::milliseconds lease) = 0;
    // Ends a task while `owner` still holds its lease; false (and nothing changed) once the
    // lease was lost.
    virtual bool FinishTask(const std::string& taskId, const std::string& owner, bool ok,
                            const std::string& resultName, const std::string& message) = 0;
    // Puts a running task that `owner` still holds back in the queue, where it keeps its
    // place, as if no attempt had been made; false when the lease was lost.
    virtual bool ReturnTask(const std::string& taskId, const std::string& owner) = 0;
    // Returns running tasks whose lease ended (every running task with `everyLease`, when no
    // other process can hold one) to the queue, due `backoff` times their attempts from now;
    // a task claimed `maxAttempts` times fails with `message` instead. How many were returned.
    virtual std::size_t RecoverTasks(bool everyLease, int maxAttempts,
                                     std::chrono::milliseconds backoff,
                                     const std::string& message) = 0;
    // The tasks waiting for a worker, of every process sharing the store.
    virtual std::size_t CountWaitingTasks() = 0;
    // From now on calls `wake` (on a thread of the store) when a task was queued through
    // another connection; an empty `wake` stops that. Stores that only one process uses
    // need not call it.
    virtual void WatchQueue(std::function<void()> wake) = 0;
    // True when other processes may share the store (and its task directory).
    virtual bool Shared() const = 0;
    // The store's clock.
    virtual Clock::time_point Now() = 0;
    // Removes the tasks neither waiting nor running that were last touched before `cutoff`;
    // their ids.
    virtual std::vector<std::string> SweepTasks(Clock::time_point cutoff) = 0;
    virtual std::vector<std::string> TaskIds() = 0;
};
