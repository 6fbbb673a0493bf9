#include "sqlitestore.h"

#include "storedcolumns.h"

#include <sqlite3.h>

#include <iostream>
#include <sys/stat.h>

namespace {

constexpr int kSchemaVersion = 2;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS accounts(
    name TEXT PRIMARY KEY,
    user_id INTEGER NOT NULL UNIQUE,
    iterations INTEGER NOT NULL,
    salt BLOB NOT NULL,
    hash BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS sessions(
    kind INTEGER NOT NULL,
    key TEXT NOT NULL,
    user_id INTEGER NOT NULL,
    service TEXT NOT NULL,
    expires INTEGER NOT NULL,
    PRIMARY KEY(kind, key));
CREATE INDEX IF NOT EXISTS sessions_by_expiry ON sessions(expires);
CREATE TABLE IF NOT EXISTS tasks(
    task_id TEXT PRIMARY KEY,
    doc_id TEXT NOT NULL,
    job_id TEXT UNIQUE,
    task_name TEXT NOT NULL,
    file_name TEXT NOT NULL,
    file_type TEXT NOT NULL,
    user_id INTEGER NOT NULL,
    file_size INTEGER NOT NULL,
    input TEXT NOT NULL,
    result TEXT NOT NULL,
    message TEXT NOT NULL,
    state TEXT NOT NULL,
    touched INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS tasks_by_state ON tasks(state, touched);
)";

// Version 2: the work queue. `queued` orders the waiting tasks, `not_before` holds a task
// back after an interrupted attempt, `owner` and `lease_until` say who runs it until when.
constexpr const char* kQueueColumns = R"(
ALTER TABLE tasks ADD COLUMN queued INTEGER NOT NULL DEFAULT 0;
ALTER TABLE tasks ADD COLUMN not_before INTEGER NOT NULL DEFAULT 0;
ALTER TABLE tasks ADD COLUMN attempts INTEGER NOT NULL DEFAULT 0;
ALTER TABLE tasks ADD COLUMN owner TEXT;
ALTER TABLE tasks ADD COLUMN lease_until INTEGER;
)";

using Clock = ServiceStore::Clock;
using StoredColumns::Milliseconds;
using StoredColumns::StoredState;
using StoredColumns::TimeOf;

void Report(sqlite3* db)
{
    std::cerr << "store: " << sqlite3_errmsg(db) << "\n";
}

// One prepared statement; a failure is reported once and makes every later step fail.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql) : db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
            Report(db);
            statement = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(const std::string& text)
    {
        if (statement) {
            sqlite3_bind_text(statement, ++bound, text.data(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT);
        }
        return *this;
    }
    Statement& BindBlob(const std::string& bytes)
    {
        if (statement) {
            sqlite3_bind_blob(statement, ++bound, bytes.data(), static_cast<int>(bytes.size()),
                              SQLITE_TRANSIENT);
        }
        return *this;
    }
    Statement& Bind(long long number)
    {
        if (statement) {
            sqlite3_bind_int64(statement, ++bound, number);
        }
        return *this;
    }
    // Empty text is stored as NULL (a job id before the submit).
    Statement& BindOrNull(const std::string& text)
    {
        if (text.empty()) {
            if (statement) {
                sqlite3_bind_null(statement, ++bound);
            }
            return *this;
        }
        return Bind(text);
    }

    // True while a row is there; `ok` turns false on an error. A statement is run once: a
    // step after the last row would run it again.
    bool Row()
    {
        if (!statement) {
            ok = false;
            return false;
        }
        if (done) {
            return false;
        }
        const int step = sqlite3_step(statement);
        if (step == SQLITE_ROW) {
            return true;
        }
        done = true;
        if (step != SQLITE_DONE) {
            Report(db);
            ok = false;
        }
        return false;
    }
    // Runs a statement that returns no rows.
    bool Run()
    {
        while (Row()) {
        }
        return ok;
    }

    std::string Text(int column) const
    {
        const auto* text = sqlite3_column_blob(statement, column);
        return text ? std::string(static_cast<const char*>(text),
                                  static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                    : std::string();
    }
    long long Number(int column) const { return sqlite3_column_int64(statement, column); }

    bool ok = true;

private:
    sqlite3* db;
    sqlite3_stmt* statement = nullptr;
    int bound = 0;
    bool done = false;
};

// Commits when told to, rolls back otherwise.
class Transaction
{
public:
    explicit Transaction(sqlite3* db) : db(db)
    {
        began = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
        if (!began) {
            Report(db);
        }
    }
    ~Transaction()
    {
        if (began) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool Began() const { return began; }
    bool Commit()
    {
        if (!began) {
            return false;
        }
        began = false;
        if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
            Report(db);
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            return false;
        }
        return true;
    }

private:
    sqlite3* db;
    bool began = false;
};

TaskRecord ReadTask(const Statement& row)
{
    return StoredColumns::ReadTask([&](int column) { return row.Text(column); },
                                   [&](int column) { return row.Number(column); });
}

// Every row's first column; nothing when the statement failed.
std::vector<std::string> FirstColumn(Statement& rows)
{
    std::vector<std::string> values;
    while (rows.Row()) {
        values.push_back(rows.Text(0));
    }
    return rows.ok ? values : std::vector<std::string>{};
}

std::optional<ServiceStore::Session> ReadSession(Statement& row)
{
    if (!row.Row()) {
        return std::nullopt;
    }
    return ServiceStore::Session{static_cast<int>(row.Number(0)), row.Text(1),
                                 TimeOf(row.Number(2))};
}

} // namespace

std::unique_ptr<SqliteStore> SqliteStore::Open(const std::filesystem::path& file,
                                               std::string& error)
{
    sqlite3* db = nullptr;
    const int opened =
        sqlite3_open_v2(file.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<SqliteStore> store(db ? new SqliteStore(db) : nullptr);
    if (opened != SQLITE_OK || !store) {
        error = "cannot open " + file.string() + ": " +
                (db ? sqlite3_errmsg(db) : sqlite3_errstr(opened));
        if (!store) {
            sqlite3_close(db);
        }
        return nullptr;
    }
    // The log and shared-memory files take the database file's mode.
    chmod(file.c_str(), 0600);
    sqlite3_busy_timeout(db, 10000);
    int version = 0;
    {
        Statement read(db, "PRAGMA user_version");
        if (read.Row()) {
            version = static_cast<int>(read.Number(0));
        }
    }
    if (version > kSchemaVersion) {
        error = file.string() + " was written by a newer service (schema " +
                std::to_string(version) + ")";
        return nullptr;
    }
    // NORMAL is safe with a write-ahead log: a killed process loses nothing committed.
    if (!store->Execute("PRAGMA journal_mode=WAL") ||
        !store->Execute("PRAGMA synchronous=NORMAL") || !store->Execute(kSchema) ||
        (version < 2 && !store->Execute(kQueueColumns)) ||
        !store->Execute(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str())) {
        error = "cannot set up " + file.string() + ": " + sqlite3_errmsg(db);
        return nullptr;
    }
    return store;
}

SqliteStore::SqliteStore(sqlite3* db) : db(db) {}

SqliteStore::~SqliteStore()
{
    sqlite3_close(db);
}

bool SqliteStore::Execute(const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<ServiceStore::Account> SqliteStore::FindAccount(const std::string& name)
{
    std::lock_guard lock(mutex);
    Statement row(db, "SELECT user_id, iterations, salt, hash FROM accounts WHERE name = ?");
    row.Bind(name);
    if (!row.Row()) {
        return std::nullopt;
    }
    return Account{name, static_cast<int>(row.Number(0)), static_cast<int>(row.Number(1)),
                   row.Text(2), row.Text(3)};
}

std::optional<std::string> SqliteStore::AccountName(int userId)
{
    std::lock_guard lock(mutex);
    Statement row(db, "SELECT name FROM accounts WHERE user_id = ?");
    row.Bind(userId);
    if (!row.Row()) {
        return std::nullopt;
    }
    return row.Text(0);
}

std::optional<bool> SqliteStore::PutAccount(const Account& account, int firstUserId)
{
    std::lock_guard lock(mutex);
    Transaction transaction(db);
    if (!transaction.Began()) {
        return std::nullopt;
    }
    Statement changed(db, "UPDATE accounts SET iterations = ?, salt = ?, hash = ? WHERE name = ?");
    changed.Bind(account.iterations)
        .BindBlob(account.salt)
        .BindBlob(account.hash)
        .Bind(account.name);
    if (!changed.Run()) {
        return std::nullopt;
    }
    const bool added = sqlite3_changes(db) == 0;
    if (added) {
        Statement insert(db, "INSERT INTO accounts(name, user_id, iterations, salt, hash) "
                             "SELECT ?, CASE WHEN ? > 0 THEN ? "
                             "ELSE MAX(COALESCE(MAX(user_id), 0), ? - 1) + 1 END, ?, ?, ? "
                             "FROM accounts");
        insert.Bind(account.name)
            .Bind(account.userId)
            .Bind(account.userId)
            .Bind(firstUserId)
            .Bind(account.iterations)
            .BindBlob(account.salt)
            .BindBlob(account.hash);
        if (!insert.Run()) {
            return std::nullopt;
        }
    }
    if (!transaction.Commit()) {
        return std::nullopt;
    }
    return added;
}

bool SqliteStore::PutSession(SessionKind kind, const std::string& key, const Session& session)
{
    std::lock_guard lock(mutex);
    Statement insert(db, "INSERT OR REPLACE INTO sessions(kind, key, user_id, service, expires) "
                         "VALUES (?, ?, ?, ?, ?)");
    insert.Bind(static_cast<int>(kind))
        .Bind(key)
        .Bind(session.userId)
        .Bind(session.service)
        .Bind(Milliseconds(session.expires));
    return insert.Run();
}

std::optional<ServiceStore::Session>
SqliteStore::FindSession(SessionKind kind, const std::string& key, Clock::time_point now)
{
    std::lock_guard lock(mutex);
    Statement row(db, "SELECT user_id, service, expires FROM sessions "
                      "WHERE kind = ? AND key = ? AND expires > ?");
    row.Bind(static_cast<int>(kind)).Bind(key).Bind(Milliseconds(now));
    return ReadSession(row);
}

std::optional<ServiceStore::Session>
SqliteStore::TakeSession(SessionKind kind, const std::string& key, Clock::time_point now)
{
    std::lock_guard lock(mutex);
    Statement row(db, "DELETE FROM sessions WHERE kind = ? AND key = ? "
                      "RETURNING user_id, service, expires");
    row.Bind(static_cast<int>(kind)).Bind(key);
    auto session = ReadSession(row);
    row.Run();
    if (!row.ok || !session || session->expires <= now) {
        return std::nullopt;
    }
    return session;
}

bool SqliteStore::DropSession(SessionKind kind, const std::string& key)
{
    std::lock_guard lock(mutex);
    Statement drop(db, "DELETE FROM sessions WHERE kind = ? AND key = ?");
    drop.Bind(static_cast<int>(kind)).Bind(key);
    return drop.Run() && sqlite3_changes(db) > 0;
}

std::size_t SqliteStore::DropExpiredSessions(Clock::time_point now)
{
    std::lock_guard lock(mutex);
    Statement drop(db, "DELETE FROM sessions WHERE expires <= ?");
    drop.Bind(Milliseconds(now));
    return drop.Run() ? static_cast<std::size_t>(sqlite3_changes(db)) : 0;
}

bool SqliteStore::AddTask(const TaskRecord& task)
{
    std::lock_guard lock(mutex);
    Statement insert(db, "INSERT INTO tasks(task_id, doc_id, job_id, task_name, file_name, "
                         "file_type, user_id, file_size, input, result, message, state, touched) "
                         "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insert.Bind(task.taskId)
        .Bind(task.docId)
        .BindOrNull(task.jobId)
        .Bind(task.taskName)
        .Bind(task.fileName)
        .Bind(task.fileType)
        .Bind(task.userId)
        .Bind(static_cast<long long>(task.fileSize))
        .Bind(task.input.string())
        .Bind(task.result.string())
        .Bind(task.message)
        .Bind(std::string(StoredState(task.state)))
        .Bind(Milliseconds(task.touched));
    return insert.Run();
}

void SqliteStore::DropTask(const std::string& taskId)
{
    std::lock_guard lock(mutex);
    Statement drop(db, "DELETE FROM tasks WHERE task_id = ?");
    drop.Bind(taskId).Run();
}

std::optional<ServiceStore::Submission> SqliteStore::SubmitTask(const std::string& taskId,
                                                                int userId,
                                                                const std::string& taskName,
                                                                const std::string& newJobId)
{
    std::lock_guard lock(mutex);
    Transaction transaction(db);
    if (!transaction.Began()) {
        return std::nullopt;
    }
    Statement submit(db, "UPDATE tasks SET job_id = ?, task_name = ?, state = 'waiting', "
                         "queued = (SELECT MAX(queued) + 1 FROM tasks) "
                         "WHERE task_id = ? AND user_id = ? AND state = 'uploaded'");
    submit.Bind(newJobId).Bind(taskName).Bind(taskId).Bind(userId);
    if (!submit.Run()) {
        return std::nullopt;
    }
    const bool already = sqlite3_changes(db) == 0;
    Statement row(db, "SELECT job_id FROM tasks WHERE task_id = ? AND user_id = ?");
    row.Bind(taskId).Bind(userId);
    if (!row.Row()) {
        return std::nullopt;
    }
    Submission submission{row.Text(0), already};
    row.Run();
    if (!transaction.Commit()) {
        return std::nullopt;
    }
    return submission;
}

std::optional<TaskRecord> SqliteStore::TaskWhere(const char* condition, const std::string& value)
{
    Statement row(
        db,
        (std::string("SELECT ") + StoredColumns::kTask + " FROM tasks WHERE " + condition).c_str());
    row.Bind(value);
    if (!row.Row()) {
        return std::nullopt;
    }
    return ReadTask(row);
}

std::optional<TaskRecord> SqliteStore::FindTask(const std::string& taskId)
{
    std::lock_guard lock(mutex);
    return TaskWhere("task_id = ?", taskId);
}

std::vector<TaskRecord> SqliteStore::UserTasks(int userId)
{
    std::lock_guard lock(mutex);
    Statement rows(
        db,
        (std::string("SELECT ") + StoredColumns::kTask + " FROM tasks WHERE user_id = ?").c_str());
    rows.Bind(userId);
    std::vector<TaskRecord> tasks;
    while (rows.Row()) {
        tasks.push_back(ReadTask(rows));
    }
    return tasks;
}

std::optional<TaskRecord> SqliteStore::FindTaskByJob(const std::string& jobId)
{
    std::lock_guard lock(mutex);
    return TaskWhere("job_id = ?", jobId);
}

void SqliteStore::RejectTask(const std::string& taskId, const std::string& message)
{
    std::lock_guard lock(mutex);
    Statement reject(db, "UPDATE tasks SET state = 'failed', message = ?, touched = ? "
                         "WHERE task_id = ? AND state = 'waiting'");
    reject.Bind(message).Bind(Milliseconds(Clock::now())).Bind(taskId).Run();
}

std::optional<TaskRecord> SqliteStore::ClaimTask(const std::string& owner,
                                                 std::chrono::milliseconds lease)
{
    std::lock_guard lock(mutex);
    const long long now = Milliseconds(Clock::now());
    Statement row(db, (std::string("UPDATE tasks SET state = 'running', owner = ?, "
                                   "lease_until = ?, attempts = attempts + 1 "
                                   "WHERE task_id = (SELECT task_id FROM tasks "
                                   "WHERE state = 'waiting' AND not_before <= ? "
                                   "ORDER BY queued, rowid LIMIT 1) RETURNING ") +
                       StoredColumns::kTask)
                          .c_str());
    row.Bind(owner).Bind(now + lease.count()).Bind(now);
    if (!row.Row()) {
        return std::nullopt;
    }
    TaskRecord task = ReadTask(row);
    return row.Run() ? std::optional(task) : std::nullopt;
}

std::size_t SqliteStore::RenewLeases(const std::string& owner, std::chrono::milliseconds lease)
{
    std::lock_guard lock(mutex);
    Statement renew(db, "UPDATE tasks SET lease_until = ? WHERE state = 'running' AND owner = ?");
    renew.Bind(Milliseconds(Clock::now()) + lease.count()).Bind(owner);
    return renew.Run() ? static_cast<std::size_t>(sqlite3_changes(db)) : 0;
}

bool SqliteStore::FinishTask(const std::string& taskId, const std::string& owner, bool ok,
                             const std::string& resultName, const std::string& message)
{
    std::lock_guard lock(mutex);
    const long long now = Milliseconds(Clock::now());
    Statement finish(db, "UPDATE tasks SET state = ?, result = ?, message = ?, touched = ?, "
                         "owner = NULL, lease_until = NULL WHERE task_id = ? "
                         "AND state = 'running' AND owner = ? AND lease_until > ?");
    finish.Bind(std::string(StoredState(ok ? TaskState::Finished : TaskState::Failed)))
        .Bind(resultName)
        .Bind(message)
        .Bind(now)
        .Bind(taskId)
        .Bind(owner)
        .Bind(now);
    return finish.Run() && sqlite3_changes(db) > 0;
}

bool SqliteStore::ReturnTask(const std::string& taskId, const std::string& owner)
{
    std::lock_guard lock(mutex);
    const long long now = Milliseconds(Clock::now());
    Statement back(db, "UPDATE tasks SET state = 'waiting', attempts = attempts - 1, "
                       "not_before = 0, touched = ?, owner = NULL, lease_until = NULL "
                       "WHERE task_id = ? AND state = 'running' AND owner = ? AND lease_until > ?");
    back.Bind(now).Bind(taskId).Bind(owner).Bind(now);
    return back.Run() && sqlite3_changes(db) > 0;
}

std::size_t SqliteStore::RecoverTasks(bool everyLease, int maxAttempts,
                                      std::chrono::milliseconds backoff, const std::string& message)
{
    std::lock_guard lock(mutex);
    const long long now = Milliseconds(Clock::now());
    Statement recover(db, "UPDATE tasks SET "
                          "state = CASE WHEN attempts >= ? THEN 'failed' ELSE 'waiting' END, "
                          "message = CASE WHEN attempts >= ? THEN ? ELSE message END, "
                          "not_before = ? + ? * attempts, touched = ?, owner = NULL, "
                          "lease_until = NULL "
                          "WHERE state = 'running' AND (? OR lease_until <= ?) RETURNING state");
    recover.Bind(maxAttempts)
        .Bind(maxAttempts)
        .Bind(message)
        .Bind(now)
        .Bind(backoff.count())
        .Bind(now)
        .Bind(everyLease ? 1 : 0)
        .Bind(now);
    std::size_t requeued = 0;
    while (recover.Row()) {
        requeued += recover.Text(0) == "waiting";
    }
    return requeued;
}

void SqliteStore::WatchQueue(std::function<void()>) {}

ServiceStore::Clock::time_point SqliteStore::Now()
{
    return Clock::now();
}

std::size_t SqliteStore::CountWaitingTasks()
{
    std::lock_guard lock(mutex);
    Statement row(db, "SELECT count(*) FROM tasks WHERE state = 'waiting'");
    return row.Row() ? static_cast<std::size_t>(row.Number(0)) : 0;
}

std::vector<std::string> SqliteStore::SweepTasks(Clock::time_point cutoff)
{
    std::lock_guard lock(mutex);
    Statement rows(db, "DELETE FROM tasks WHERE state NOT IN ('waiting', 'running') "
                       "AND touched < ? RETURNING task_id");
    rows.Bind(Milliseconds(cutoff));
    return FirstColumn(rows);
}

std::vector<std::string> SqliteStore::TaskIds()
{
    std::lock_guard lock(mutex);
    Statement rows(db, "SELECT task_id FROM tasks");
    return FirstColumn(rows);
}
