#include "pgstore.h"

#include "storedcolumns.h"

#include <libpq-fe.h>

#include <iostream>
#include <poll.h>

namespace {

// Taken while the tables are set up, so instances starting together do not race.
constexpr long long kSetupLock = 0x646f6b6f7261;

constexpr const char* kSchema = R"(
SET client_min_messages TO warning;
BEGIN;
SELECT pg_advisory_xact_lock(%LOCK%);
CREATE TABLE IF NOT EXISTS accounts(
    name TEXT PRIMARY KEY,
    user_id INTEGER NOT NULL UNIQUE,
    iterations INTEGER NOT NULL,
    salt BYTEA NOT NULL,
    hash BYTEA NOT NULL);
CREATE TABLE IF NOT EXISTS sessions(
    kind INTEGER NOT NULL,
    key TEXT NOT NULL,
    user_id INTEGER NOT NULL,
    service TEXT NOT NULL,
    expires BIGINT NOT NULL,
    PRIMARY KEY(kind, key));
CREATE INDEX IF NOT EXISTS sessions_by_expiry ON sessions(expires);
CREATE SEQUENCE IF NOT EXISTS task_queue;
CREATE TABLE IF NOT EXISTS tasks(
    task_id TEXT PRIMARY KEY,
    doc_id TEXT NOT NULL,
    job_id TEXT UNIQUE,
    task_name TEXT NOT NULL,
    file_name TEXT NOT NULL,
    file_type TEXT NOT NULL,
    user_id INTEGER NOT NULL,
    file_size BIGINT NOT NULL,
    input TEXT NOT NULL,
    result TEXT NOT NULL,
    message TEXT NOT NULL,
    state TEXT NOT NULL,
    touched BIGINT NOT NULL,
    queued BIGINT NOT NULL DEFAULT 0,
    not_before BIGINT NOT NULL DEFAULT 0,
    attempts INTEGER NOT NULL DEFAULT 0,
    owner TEXT,
    lease_until BIGINT);
CREATE INDEX IF NOT EXISTS tasks_by_state ON tasks(state, touched);
CREATE INDEX IF NOT EXISTS tasks_waiting ON tasks(queued) WHERE state = 'waiting';
COMMIT;
)";

// The channel a submit notifies; idle workers of every instance listen on it.
constexpr const char* kChannel = "dokora_queue";

#define DOKORA_NOW_MS "(extract(epoch from clock_timestamp()) * 1000)::bigint"

using Clock = ServiceStore::Clock;
using StoredColumns::StoredState;
using StoredColumns::TimeOf;

std::string Milliseconds(Clock::time_point time)
{
    return std::to_string(StoredColumns::Milliseconds(time));
}

} // namespace

// The outcome of one statement; a failure is reported when it happens.
class PgStore::Result
{
public:
    explicit Result(PGresult* result) : result(result, PQclear) {}

    bool Ok() const
    {
        const auto status = PQresultStatus(result.get());
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    }
    int Rows() const { return Ok() ? PQntuples(result.get()) : 0; }
    std::size_t Changed() const
    {
        return Ok() ? std::strtoull(PQcmdTuples(result.get()), nullptr, 10) : 0;
    }
    std::string Text(int row, int column) const
    {
        return std::string(PQgetvalue(result.get(), row, column),
                           static_cast<std::size_t>(PQgetlength(result.get(), row, column)));
    }
    std::string Bytes(int row, int column) const
    {
        std::size_t length = 0;
        unsigned char* bytes = PQunescapeBytea(
            reinterpret_cast<const unsigned char*>(PQgetvalue(result.get(), row, column)), &length);
        std::string value = bytes ? std::string(reinterpret_cast<char*>(bytes), length) : "";
        PQfreemem(bytes);
        return value;
    }
    long long Number(int row, int column) const
    {
        return std::strtoll(PQgetvalue(result.get(), row, column), nullptr, 10);
    }

private:
    std::unique_ptr<PGresult, void (*)(PGresult*)> result;
};

namespace {

TaskRecord ReadTask(const auto& rows, int row)
{
    return StoredColumns::ReadTask([&](int column) { return rows.Text(row, column); },
                                   [&](int column) { return rows.Number(row, column); });
}

std::optional<ServiceStore::Session> ReadSession(const auto& rows)
{
    if (rows.Rows() == 0) {
        return std::nullopt;
    }
    return ServiceStore::Session{static_cast<int>(rows.Number(0, 0)), rows.Text(0, 1),
                                 TimeOf(rows.Number(0, 2))};
}

std::string TaskQuery(const std::string& head, const std::string& tail)
{
    return head + StoredColumns::kTask + tail;
}

} // namespace

std::unique_ptr<PgStore> PgStore::Open(const std::string& conninfo, std::string& error)
{
    pg_conn* connection = PQconnectdb(conninfo.c_str());
    if (PQstatus(connection) != CONNECTION_OK) {
        error = std::string("cannot connect to the database: ") + PQerrorMessage(connection);
        PQfinish(connection);
        return nullptr;
    }
    std::unique_ptr<PgStore> store(new PgStore(conninfo, connection));
    std::string schema = kSchema;
    schema.replace(schema.find("%LOCK%"), 6, std::to_string(kSetupLock));
    Result setup(PQexec(connection, schema.c_str()));
    if (!setup.Ok()) {
        error = std::string("cannot set up the database: ") + PQerrorMessage(connection);
        return nullptr;
    }
    return store;
}

PgStore::PgStore(std::string conninfo, pg_conn* connection)
    : conninfo(std::move(conninfo)), connection(connection)
{
}

PgStore::~PgStore()
{
    WatchQueue(nullptr);
    PQfinish(connection);
}

PgStore::Result PgStore::Query(const char* sql, const std::vector<std::string>& params,
                               const std::vector<bool>& binary)
{
    if (PQstatus(connection) != CONNECTION_OK) {
        PQreset(connection);
    }
    std::vector<const char*> values;
    std::vector<int> lengths;
    std::vector<int> formats;
    for (std::size_t i = 0; i < params.size(); ++i) {
        values.push_back(params[i].data());
        lengths.push_back(static_cast<int>(params[i].size()));
        formats.push_back(i < binary.size() && binary[i] ? 1 : 0);
    }
    Result result(PQexecParams(connection, sql, static_cast<int>(params.size()), nullptr,
                               values.data(), lengths.data(), formats.data(), 0));
    if (!result.Ok()) {
        std::cerr << "store: " << PQerrorMessage(connection);
    }
    return result;
}

void PgStore::NotifyQueued()
{
    Query((std::string("NOTIFY ") + kChannel).c_str(), {});
}

std::optional<ServiceStore::Account> PgStore::FindAccount(const std::string& name)
{
    std::lock_guard lock(mutex);
    const auto row =
        Query("SELECT user_id, iterations, salt, hash FROM accounts WHERE name = $1", {name});
    if (row.Rows() == 0) {
        return std::nullopt;
    }
    return Account{name, static_cast<int>(row.Number(0, 0)), static_cast<int>(row.Number(0, 1)),
                   row.Bytes(0, 2), row.Bytes(0, 3)};
}

std::optional<std::string> PgStore::AccountName(int userId)
{
    std::lock_guard lock(mutex);
    const auto row =
        Query("SELECT name FROM accounts WHERE user_id = $1", {std::to_string(userId)});
    if (row.Rows() == 0) {
        return std::nullopt;
    }
    return row.Text(0, 0);
}

std::optional<bool> PgStore::PutAccount(const Account& account, int firstUserId)
{
    std::lock_guard lock(mutex);
    // The table lock keeps two new accounts from taking the same number.
    if (!Query("BEGIN", {}).Ok() ||
        !Query("LOCK TABLE accounts IN SHARE ROW EXCLUSIVE MODE", {}).Ok()) {
        Query("ROLLBACK", {});
        return std::nullopt;
    }
    const auto put =
        Query("INSERT INTO accounts(name, user_id, iterations, salt, hash) "
              "SELECT $1, CASE WHEN $2::int > 0 THEN $2::int "
              "ELSE GREATEST(COALESCE(MAX(user_id), 0), $3::int - 1) + 1 END, $4, $5, $6 "
              "FROM accounts ON CONFLICT (name) DO UPDATE SET iterations = EXCLUDED.iterations, "
              "salt = EXCLUDED.salt, hash = EXCLUDED.hash RETURNING (xmax = 0)",
              {account.name, std::to_string(account.userId), std::to_string(firstUserId),
               std::to_string(account.iterations), account.salt, account.hash},
              {false, false, false, false, true, true});
    if (put.Rows() != 1 || !Query("COMMIT", {}).Ok()) {
        Query("ROLLBACK", {});
        return std::nullopt;
    }
    return put.Text(0, 0) == "t";
}

bool PgStore::PutSession(SessionKind kind, const std::string& key, const Session& session)
{
    std::lock_guard lock(mutex);
    return Query("INSERT INTO sessions(kind, key, user_id, service, expires) "
                 "VALUES ($1, $2, $3, $4, $5) ON CONFLICT (kind, key) DO UPDATE SET "
                 "user_id = EXCLUDED.user_id, service = EXCLUDED.service, "
                 "expires = EXCLUDED.expires",
                 {std::to_string(static_cast<int>(kind)), key, std::to_string(session.userId),
                  session.service, Milliseconds(session.expires)})
        .Ok();
}

std::optional<ServiceStore::Session> PgStore::FindSession(SessionKind kind, const std::string& key,
                                                          Clock::time_point now)
{
    std::lock_guard lock(mutex);
    return ReadSession(Query("SELECT user_id, service, expires FROM sessions "
                             "WHERE kind = $1 AND key = $2 AND expires > $3",
                             {std::to_string(static_cast<int>(kind)), key, Milliseconds(now)}));
}

std::optional<ServiceStore::Session> PgStore::TakeSession(SessionKind kind, const std::string& key,
                                                          Clock::time_point now)
{
    std::lock_guard lock(mutex);
    const auto session = ReadSession(Query("DELETE FROM sessions WHERE kind = $1 AND key = $2 "
                                           "RETURNING user_id, service, expires",
                                           {std::to_string(static_cast<int>(kind)), key}));
    if (!session || session->expires <= now) {
        return std::nullopt;
    }
    return session;
}

bool PgStore::DropSession(SessionKind kind, const std::string& key)
{
    std::lock_guard lock(mutex);
    return Query("DELETE FROM sessions WHERE kind = $1 AND key = $2",
                 {std::to_string(static_cast<int>(kind)), key})
               .Changed() > 0;
}

std::size_t PgStore::DropExpiredSessions(Clock::time_point now)
{
    std::lock_guard lock(mutex);
    return Query("DELETE FROM sessions WHERE expires <= $1", {Milliseconds(now)}).Changed();
}

bool PgStore::AddTask(const TaskRecord& task)
{
    std::lock_guard lock(mutex);
    return Query("INSERT INTO tasks(task_id, doc_id, job_id, task_name, file_name, file_type, "
                 "user_id, file_size, input, result, message, state, touched) "
                 "VALUES ($1, $2, NULLIF($3, ''), $4, $5, $6, $7, $8, $9, $10, $11, $12, $13)",
                 {task.taskId, task.docId, task.jobId, task.taskName, task.fileName, task.fileType,
                  std::to_string(task.userId), std::to_string(task.fileSize), task.input.string(),
                  task.result.string(), task.message, StoredState(task.state),
                  Milliseconds(task.touched)})
        .Ok();
}

void PgStore::DropTask(const std::string& taskId)
{
    std::lock_guard lock(mutex);
    Query("DELETE FROM tasks WHERE task_id = $1", {taskId});
}

std::optional<ServiceStore::Submission> PgStore::SubmitTask(const std::string& taskId, int userId,
                                                            const std::string& taskName,
                                                            const std::string& newJobId)
{
    std::lock_guard lock(mutex);
    // The outer query sees the row as it was before the update.
    const auto row = Query("WITH submitted AS (UPDATE tasks SET job_id = $1, task_name = $2, "
                           "state = 'waiting', queued = nextval('task_queue') "
                           "WHERE task_id = $3 AND user_id = $4 AND state = 'uploaded' "
                           "RETURNING job_id) "
                           "SELECT job_id, false FROM submitted UNION ALL "
                           "SELECT job_id, true FROM tasks WHERE task_id = $3 AND user_id = $4 "
                           "AND NOT EXISTS (SELECT 1 FROM submitted)",
                           {newJobId, taskName, taskId, std::to_string(userId)});
    if (row.Rows() != 1) {
        return std::nullopt;
    }
    Submission submission{row.Text(0, 0), row.Text(0, 1) == "t"};
    if (!submission.alreadySubmitted) {
        NotifyQueued();
    }
    return submission;
}

std::vector<TaskRecord> PgStore::TasksOf(Result result)
{
    std::vector<TaskRecord> tasks;
    for (int row = 0; row < result.Rows(); ++row) {
        tasks.push_back(ReadTask(result, row));
    }
    return tasks;
}

std::optional<TaskRecord> PgStore::FindTask(const std::string& taskId)
{
    std::lock_guard lock(mutex);
    auto tasks =
        TasksOf(Query(TaskQuery("SELECT ", " FROM tasks WHERE task_id = $1").c_str(), {taskId}));
    return tasks.empty() ? std::nullopt : std::optional(tasks.front());
}

std::optional<TaskRecord> PgStore::FindTaskByJob(const std::string& jobId)
{
    std::lock_guard lock(mutex);
    auto tasks =
        TasksOf(Query(TaskQuery("SELECT ", " FROM tasks WHERE job_id = $1").c_str(), {jobId}));
    return tasks.empty() ? std::nullopt : std::optional(tasks.front());
}

std::vector<TaskRecord> PgStore::UserTasks(int userId)
{
    std::lock_guard lock(mutex);
    return TasksOf(Query(TaskQuery("SELECT ", " FROM tasks WHERE user_id = $1").c_str(),
                         {std::to_string(userId)}));
}

void PgStore::RejectTask(const std::string& taskId, const std::string& message)
{
    std::lock_guard lock(mutex);
    Query("UPDATE tasks SET state = 'failed', message = $2, touched = " DOKORA_NOW_MS " "
          "WHERE task_id = $1 AND state = 'waiting'",
          {taskId, message});
}

std::optional<TaskRecord> PgStore::ClaimTask(const std::string& owner,
                                             std::chrono::milliseconds lease)
{
    std::lock_guard lock(mutex);
    // Claimers skip the rows others have locked instead of waiting for them.
    auto tasks = TasksOf(
        Query(TaskQuery("UPDATE tasks SET state = 'running', owner = $1, "
                        "lease_until = " DOKORA_NOW_MS " + $2, attempts = attempts + 1 "
                        "WHERE task_id = (SELECT task_id FROM tasks WHERE state = 'waiting' "
                        "AND not_before <= " DOKORA_NOW_MS " ORDER BY queued LIMIT 1 "
                        "FOR UPDATE SKIP LOCKED) AND state = 'waiting' RETURNING ",
                        "")
                  .c_str(),
              {owner, std::to_string(lease.count())}));
    return tasks.empty() ? std::nullopt : std::optional(tasks.front());
}

std::size_t PgStore::RenewLeases(const std::string& owner, std::chrono::milliseconds lease)
{
    std::lock_guard lock(mutex);
    return Query("UPDATE tasks SET lease_until = " DOKORA_NOW_MS " + $2 "
                 "WHERE state = 'running' AND owner = $1",
                 {owner, std::to_string(lease.count())})
        .Changed();
}

bool PgStore::FinishTask(const std::string& taskId, const std::string& owner, bool ok,
                         const std::string& resultName, const std::string& message)
{
    std::lock_guard lock(mutex);
    return Query("UPDATE tasks SET state = $1, result = $2, message = $3, "
                 "touched = " DOKORA_NOW_MS ", owner = NULL, lease_until = NULL "
                 "WHERE task_id = $4 AND state = 'running' AND owner = $5 "
                 "AND lease_until > " DOKORA_NOW_MS,
                 {StoredState(ok ? TaskState::Finished : TaskState::Failed), resultName, message,
                  taskId, owner})
               .Changed() > 0;
}

bool PgStore::ReturnTask(const std::string& taskId, const std::string& owner)
{
    std::lock_guard lock(mutex);
    const bool returned =
        Query("UPDATE tasks SET state = 'waiting', attempts = attempts - 1, not_before = 0, "
              "touched = " DOKORA_NOW_MS ", owner = NULL, lease_until = NULL "
              "WHERE task_id = $1 AND state = 'running' AND owner = $2 "
              "AND lease_until > " DOKORA_NOW_MS,
              {taskId, owner})
            .Changed() > 0;
    if (returned) {
        NotifyQueued();
    }
    return returned;
}

std::size_t PgStore::RecoverTasks(bool everyLease, int maxAttempts,
                                  std::chrono::milliseconds backoff, const std::string& message)
{
    std::lock_guard lock(mutex);
    const auto rows =
        Query("UPDATE tasks SET "
              "state = CASE WHEN attempts >= $1 THEN 'failed' ELSE 'waiting' END, "
              "message = CASE WHEN attempts >= $1 THEN $2 ELSE message END, "
              "not_before = " DOKORA_NOW_MS " + $3 * attempts, touched = " DOKORA_NOW_MS ", "
              "owner = NULL, lease_until = NULL "
              "WHERE state = 'running' AND ($4 OR lease_until <= " DOKORA_NOW_MS ") "
              "RETURNING state",
              {std::to_string(maxAttempts), message, std::to_string(backoff.count()),
               everyLease ? "true" : "false"});
    std::size_t requeued = 0;
    for (int row = 0; row < rows.Rows(); ++row) {
        requeued += rows.Text(row, 0) == "waiting";
    }
    return requeued;
}

std::size_t PgStore::CountWaitingTasks()
{
    std::lock_guard lock(mutex);
    const auto row = Query("SELECT count(*) FROM tasks WHERE state = 'waiting'", {});
    return row.Rows() == 1 ? static_cast<std::size_t>(row.Number(0, 0)) : 0;
}

void PgStore::WatchQueue(std::function<void()> wake)
{
    listening = false;
    if (listener.joinable()) {
        listener.join();
    }
    if (wake) {
        listening = true;
        listener = std::thread([this, wake = std::move(wake)] { Listen(wake); });
    }
}

void PgStore::Listen(std::function<void()> wake)
{
    std::unique_ptr<pg_conn, void (*)(pg_conn*)> channel(nullptr, PQfinish);
    while (listening) {
        if (!channel || PQstatus(channel.get()) != CONNECTION_OK) {
            channel.reset(PQconnectdb(conninfo.c_str()));
            Result listen(PQexec(channel.get(), (std::string("LISTEN ") + kChannel).c_str()));
            if (!listen.Ok()) {
                channel.reset();
            }
            // What was queued while no one listened is found by the workers' polls.
        }
        pollfd socket{channel ? PQsocket(channel.get()) : -1, POLLIN, 0};
        // Short waits, so that the end of watching is seen soon.
        poll(&socket, socket.fd >= 0 ? 1 : 0, 250);
        if (!channel || !PQconsumeInput(channel.get())) {
            continue;
        }
        bool queued = false;
        while (PGnotify* notice = PQnotifies(channel.get())) {
            queued = true;
            PQfreemem(notice);
        }
        if (queued) {
            wake();
        }
    }
}

ServiceStore::Clock::time_point PgStore::Now()
{
    std::lock_guard lock(mutex);
    const auto row = Query("SELECT " DOKORA_NOW_MS, {});
    return row.Rows() == 1 ? TimeOf(row.Number(0, 0)) : Clock::now();
}

std::vector<std::string> PgStore::SweepTasks(Clock::time_point cutoff)
{
    std::lock_guard lock(mutex);
    const auto rows = Query("DELETE FROM tasks WHERE state NOT IN ('waiting', 'running') "
                            "AND touched < $1 RETURNING task_id",
                            {Milliseconds(cutoff)});
    std::vector<std::string> ids;
    for (int row = 0; row < rows.Rows(); ++row) {
        ids.push_back(rows.Text(row, 0));
    }
    return ids;
}

std::vector<std::string> PgStore::TaskIds()
{
    std::lock_guard lock(mutex);
    const auto rows = Query("SELECT task_id FROM tasks", {});
    std::vector<std::string> ids;
    for (int row = 0; row < rows.Rows(); ++row) {
        ids.push_back(rows.Text(row, 0));
    }
    return ids;
}
