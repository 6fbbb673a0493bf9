#include "account/cppsqlite3.h"

#include <sqlite3.h>

#include <memory>

namespace {

struct StatementDeleter
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

} // namespace

CppSQLite3DB::~CppSQLite3DB()
{
    close();
}

sqlite3* CppSQLite3DB::Handle() const
{
    if (!db)
        throw CppSQLite3Exception(CppSQLite3Exception::kNotOpen, "Database not open");
    return db;
}

void CppSQLite3DB::Throw(int code) const
{
    throw CppSQLite3Exception(code, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

void CppSQLite3DB::open(const std::string& utf8Path)
{
    close();
    const int result =
        sqlite3_open_v2(utf8Path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (result != SQLITE_OK) {
        CppSQLite3Exception error(result, db ? sqlite3_errmsg(db) : sqlite3_errstr(result));
        close();
        throw error;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
}

void CppSQLite3DB::close()
{
    if (db) {
        sqlite3_close_v2(db);
        db = nullptr;
    }
}

void CppSQLite3DB::key(std::string_view keyText)
{
    const int result =
        sqlite3_key_v2(Handle(), "main", keyText.data(), static_cast<int>(keyText.size()));
    if (result != SQLITE_OK)
        Throw(result);
}

int CppSQLite3DB::execDML(const std::string& sql)
{
    sqlite3* handle = Handle();
    char* errorText = nullptr;
    const int result = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, &errorText);
    if (result != SQLITE_OK) {
        std::string message = errorText ? errorText : sqlite3_errstr(result);
        sqlite3_free(errorText);
        throw CppSQLite3Exception(result, std::move(message));
    }
    return sqlite3_changes(handle);
}

int CppSQLite3DB::execBound(const std::string& sql,
                            std::initializer_list<std::optional<std::string>> values)
{
    sqlite3* handle = Handle();
    sqlite3_stmt* raw = nullptr;
    int result =
        sqlite3_prepare_v2(handle, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr);
    Statement statement(raw);
    if (result != SQLITE_OK || !statement)
        Throw(result == SQLITE_OK ? SQLITE_MISUSE : result);
    int index = 1;
    for (const auto& value : values) {
        result = value ? sqlite3_bind_text(raw, index, value->data(),
                                           static_cast<int>(value->size()), SQLITE_TRANSIENT)
                       : sqlite3_bind_null(raw, index);
        if (result != SQLITE_OK)
            Throw(result);
        ++index;
    }
    result = sqlite3_step(raw);
    if (result != SQLITE_DONE && result != SQLITE_ROW)
        Throw(result);
    return sqlite3_changes(handle);
}

int CppSQLite3DB::execScalar(const std::string& sql)
{
    sqlite3* handle = Handle();
    sqlite3_stmt* raw = nullptr;
    const int prepared =
        sqlite3_prepare_v2(handle, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr);
    Statement statement(raw);
    if (prepared != SQLITE_OK)
        Throw(prepared);
    const int result = statement ? sqlite3_step(raw) : SQLITE_DONE;
    if (result == SQLITE_ROW && sqlite3_column_count(raw) > 0)
        return sqlite3_column_int(raw, 0);
    if (result != SQLITE_ROW && result != SQLITE_DONE)
        Throw(result);
    throw CppSQLite3Exception(SQLITE_ERROR, "Invalid scalar query");
}
