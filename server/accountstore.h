#pragma once

#include <filesystem>
#include <optional>
#include <string>

class ServiceStore;

// The service's user accounts: names with salted PBKDF2-SHA256 password hashes, kept in the
// service's store. Accounts added by another process (`--add-user` while the service runs)
// are seen at once.
class AccountStore
{
public:
    explicit AccountStore(ServiceStore& store);

    // Takes over the accounts of the file that earlier versions kept (a missing file is no
    // account); the file is renamed to "<file>.imported" afterwards. Names already in the
    // store keep their password.
    bool ImportFile(const std::filesystem::path& file, std::string& error);
    // Adds the user or replaces the password; true when the user was new.
    std::optional<bool> SetPassword(const std::string& name, const std::string& password,
                                    std::string& error);
    // The user's number when the password matches.
    std::optional<int> Verify(const std::string& name, const std::string& password);
    std::optional<std::string> NameOf(int userId) const;

    // Names are 1 to 64 bytes of UTF-8 without control characters or blanks.
    static bool ValidName(const std::string& name);

private:
    ServiceStore& store;
};
