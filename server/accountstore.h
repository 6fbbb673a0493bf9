#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

// The service's user accounts: names with salted PBKDF2-SHA256 password hashes, kept in one
// file of the data directory (mode 0600, replaced as a whole on every change).
class AccountStore
{
public:
    explicit AccountStore(std::filesystem::path file);

    // Reads the file; a missing file is an empty store.
    bool Load(std::string& error);
    // Adds the user or replaces the password; true when the user was new.
    std::optional<bool> SetPassword(const std::string& name, const std::string& password,
                                    std::string& error);
    // The user's number when the password matches. Users added to the file by another
    // process (`--add-user` while the service runs) are seen here.
    std::optional<int> Verify(const std::string& name, const std::string& password);
    std::optional<std::string> NameOf(int userId) const;

    // Names are 1 to 64 bytes of UTF-8 without control characters or blanks.
    static bool ValidName(const std::string& name);

private:
    struct Account
    {
        int userId = 0;
        int iterations = 0;
        std::string salt;
        std::string hash;
    };

    bool Save(const std::map<std::string, Account>& accounts, std::string& error) const;

    void ReloadIfChanged();

    std::filesystem::path file;
    std::filesystem::file_time_type loadedTime;
    mutable std::mutex mutex;
    std::map<std::string, Account> accounts;
};
