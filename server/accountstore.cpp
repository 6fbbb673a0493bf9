#include "accountstore.h"

#include "inputcheck.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kIterations = 210000;
constexpr std::size_t kSaltSize = 16;
constexpr std::size_t kHashSize = 32;
constexpr int kFirstUserId = 1001;

std::string Hex(const std::string& bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::optional<std::string> Unhex(const std::string& text)
{
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        if (std::sscanf(text.c_str() + i, "%2x", &value) != 1) {
            return std::nullopt;
        }
        out += static_cast<char>(value);
    }
    return out;
}

std::string Derive(const std::string& password, const std::string& salt, int iterations)
{
    std::string hash(kHashSize, '\0');
    PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                      reinterpret_cast<const unsigned char*>(salt.data()),
                      static_cast<int>(salt.size()), iterations, EVP_sha256(),
                      static_cast<int>(hash.size()), reinterpret_cast<unsigned char*>(hash.data()));
    return hash;
}

} // namespace

AccountStore::AccountStore(std::filesystem::path file) : file(std::move(file)) {}

bool AccountStore::ValidName(const std::string& name)
{
    if (name.empty() || name.size() > 64 || !IsValidUtf8(name)) {
        return false;
    }
    for (unsigned char c : name) {
        if (c <= ' ' || c == 0x7F) {
            return false;
        }
    }
    return true;
}

void AccountStore::ReloadIfChanged()
{
    std::error_code code;
    const auto time = std::filesystem::last_write_time(file, code);
    std::string error;
    if (!code && time != loadedTime && !Load(error)) {
        std::cerr << "accounts: " << error << "\n";
    }
}

bool AccountStore::Load(std::string& error)
{
    std::error_code code;
    const auto time = std::filesystem::last_write_time(file, code);
    std::ifstream in(file);
    std::map<std::string, Account> loaded;
    std::string line;
    while (in && std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name, salt, hash;
        Account account;
        if (!(fields >> name >> account.userId >> account.iterations >> salt >> hash)) {
            error = "unreadable account line in " + file.string();
            return false;
        }
        auto saltBytes = Unhex(salt);
        auto hashBytes = Unhex(hash);
        if (!saltBytes || !hashBytes) {
            error = "unreadable account line in " + file.string();
            return false;
        }
        account.salt = *saltBytes;
        account.hash = *hashBytes;
        loaded[name] = account;
    }
    std::lock_guard lock(mutex);
    accounts = std::move(loaded);
    loadedTime = time;
    return true;
}

bool AccountStore::Save(const std::map<std::string, Account>& all, std::string& error) const
{
    std::ostringstream text;
    for (const auto& [name, account] : all) {
        text << name << '\t' << account.userId << '\t' << account.iterations << '\t'
             << Hex(account.salt) << '\t' << Hex(account.hash) << '\n';
    }
    const std::string content = text.str();
    const std::string temporary = file.string() + ".tmp";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot write " + temporary;
        return false;
    }
    fchmod(fd, 0600);
    const bool written =
        write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()) &&
        fsync(fd) == 0;
    close(fd);
    if (!written || std::rename(temporary.c_str(), file.c_str()) != 0) {
        unlink(temporary.c_str());
        error = "cannot write " + file.string();
        return false;
    }
    return true;
}

std::optional<bool> AccountStore::SetPassword(const std::string& name, const std::string& password,
                                              std::string& error)
{
    if (!ValidName(name)) {
        error = "a user name is 1 to 64 characters without blanks";
        return std::nullopt;
    }
    std::string salt(kSaltSize, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), static_cast<int>(salt.size())) !=
        1) {
        error = "no random numbers";
        return std::nullopt;
    }
    Account account{0, kIterations, salt, Derive(password, salt, kIterations)};

    std::lock_guard lock(mutex);
    auto changed = accounts;
    const auto existing = changed.find(name);
    const bool added = existing == changed.end();
    if (added) {
        int highest = kFirstUserId - 1;
        for (const auto& [other, entry] : changed) {
            highest = std::max(highest, entry.userId);
        }
        account.userId = highest + 1;
    } else {
        account.userId = existing->second.userId;
    }
    changed[name] = account;
    if (!Save(changed, error)) {
        return std::nullopt;
    }
    accounts = std::move(changed);
    std::error_code code;
    loadedTime = std::filesystem::last_write_time(file, code);
    return added;
}

std::optional<int> AccountStore::Verify(const std::string& name, const std::string& password)
{
    ReloadIfChanged();
    Account account;
    {
        std::lock_guard lock(mutex);
        const auto found = accounts.find(name);
        if (found != accounts.end()) {
            account = found->second;
        }
    }
    // An unknown name costs as much as a wrong password.
    const bool known = account.iterations > 0;
    const std::string salt = known ? account.salt : std::string(kSaltSize, '\0');
    const std::string hash = Derive(password, salt, known ? account.iterations : kIterations);
    if (!known || hash.size() != account.hash.size() ||
        CRYPTO_memcmp(hash.data(), account.hash.data(), hash.size()) != 0) {
        return std::nullopt;
    }
    return account.userId;
}

std::optional<std::string> AccountStore::NameOf(int userId) const
{
    std::lock_guard lock(mutex);
    for (const auto& [name, account] : accounts) {
        if (account.userId == userId) {
            return name;
        }
    }
    return std::nullopt;
}
