#pragma once

#include "account/cppsqlite3.h"

#include <mutex>
#include <string>

// The encrypted local account database. Every statement and the opening are serialised; SQL
// errors are values (-1, false), never exceptions.
class AccountDatabase
{
public:
    static constexpr const char* kFileName = "Dokora_TEVRA.db";

    // Opens (creating when missing) and makes sure every table exists. True when already
    // open or `path` is empty.
    bool Open(const std::string& path);
    bool IsOpen() const;
    // Back to a fresh, closed database.
    void Close();
    // Rows changed; 0 for an empty statement; -1 on an SQL error or while closed.
    int Execute(const std::string& statement);
    // Removes the signed-in user's rows; false (after a short pause) while closed.
    bool DeleteUsers();
    // Stores the signed-in user's row; the values are bound, never spliced into the SQL.
    bool InsertUser(const std::string& userId, const std::string& nickname,
                    const std::string& headIcon);

private:
    bool OpenLocked(const std::string& path);

    mutable std::mutex mutex;
    CppSQLite3DB db;
    bool isOpen = false;
};

// The key the file is encrypted with; empty when it cannot be made.
std::string AccountDatabaseKey();

enum class AccountDatabaseOpen
{
    Open,
    NoDataDirectory, // the caller tells the user and ends the program
    Unavailable,     // three attempts failed; the program runs without the database
};

// Opens `database` at `directory` + kFileName with up to three attempts, deleting the file
// after each failed one. An empty directory means it could not be obtained.
AccountDatabaseOpen OpenAccountDatabase(AccountDatabase& database, const std::string& directory);
