#include "account/accountdatabase.h"

#include "account/accountschema.h"
#include "utility/tc_checkpath.h"
#include "utility/utilitycalls.h"

#include <chrono>
#include <thread>

namespace {

constexpr std::string_view kStoredKey = "8F3C2A6E-41D7-4B95-A0E2-7C19D54B86F1-TEVRA";
constexpr int kAesKeySize = 16;
constexpr int kOpenAttempts = 3;
constexpr auto kClosedPause = std::chrono::milliseconds(500);

} // namespace

std::string AccountDatabaseKey()
{
    return Utility::EncodeAes(kStoredKey, kAesKeySize).value_or(std::string());
}

bool AccountDatabase::Open(const std::string& path)
{
    std::lock_guard lock(mutex);
    if (isOpen || path.empty())
        return true;
    try {
        isOpen = OpenLocked(path);
    } catch (const CppSQLite3Exception&) {
        db.close();
        isOpen = false;
    }
    return isOpen;
}

bool AccountDatabase::OpenLocked(const std::string& path)
{
    const std::string key = AccountDatabaseKey();
    if (key.empty())
        return false;
    if (!TC_CHECKPATH::TC_FileExist(path.c_str()) &&
        TC_CHECKPATH::TC_CreateLimitedAccessFileByAdmin(path.c_str()) != 0)
        return false;
    if (!Utility::UnicodeToUtf8(path))
        return false;
    db.open(path);
    // Diagnostic builds keep the file readable with ordinary tools.
    if (!TC_CHECKPATH::TC_IsLoglibExist(Utility::kAppName))
        db.key(key);
    // Every table is checked, so a missing one anywhere fails the open.
    for (const AccountTable& table : AccountTables()) {
        db.execDML(table.createStatement);
        if (db.execScalar("select count(*) from sqlite_master where type='table' and name='" +
                          table.name + "'") <= 0) {
            db.close();
            return false;
        }
    }
    return true;
}

bool AccountDatabase::IsOpen() const
{
    std::lock_guard lock(mutex);
    return isOpen;
}

void AccountDatabase::Close()
{
    std::lock_guard lock(mutex);
    db.close();
    isOpen = false;
}

int AccountDatabase::Execute(const std::string& statement)
{
    if (statement.empty())
        return 0;
    std::lock_guard lock(mutex);
    try {
        return db.execDML(statement);
    } catch (const CppSQLite3Exception&) {
        return -1;
    }
}

bool AccountDatabase::DeleteUsers()
{
    if (!IsOpen()) {
        std::this_thread::sleep_for(kClosedPause);
        return false;
    }
    return Execute("delete from UserSystemTable") != -1;
}

bool AccountDatabase::InsertUser(const std::string& userId, const std::string& nickname,
                                 const std::string& headIcon)
{
    std::lock_guard lock(mutex);
    if (!isOpen)
        return false;
    try {
        return db.execBound("insert into UserSystemTable(userID,nickname,headIcon) values(?,?,?)",
                            {userId, nickname, headIcon}) == 1;
    } catch (const CppSQLite3Exception&) {
        return false;
    }
}

AccountDatabaseOpen OpenAccountDatabase(AccountDatabase& database, const std::string& directory)
{
    if (directory.empty())
        return AccountDatabaseOpen::NoDataDirectory;
    const std::string path = directory + AccountDatabase::kFileName;
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if (database.Open(path))
            return AccountDatabaseOpen::Open;
        database.Close();
        TC_CHECKPATH::TC_DeleteFile(path.c_str());
    }
    return AccountDatabaseOpen::Unavailable;
}
