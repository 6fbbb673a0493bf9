#include "accountstore.h"

#include "inputcheck.h"
#include "servicestore.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

constexpr int kIterations = 210000;
constexpr std::size_t kSaltSize = 16;
constexpr std::size_t kHashSize = 32;
constexpr int kFirstUserId = 1001;

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

AccountStore::AccountStore(ServiceStore& store) : store(store) {}

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

bool AccountStore::ImportFile(const std::filesystem::path& file, std::string& error)
{
    std::ifstream in(file);
    if (!in) {
        return true;
    }
    std::vector<ServiceStore::Account> imported;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string salt, hash;
        ServiceStore::Account account;
        if (!(fields >> account.name >> account.userId >> account.iterations >> salt >> hash)) {
            error = "unreadable account line in " + file.string();
            return false;
        }
        auto saltBytes = Unhex(salt);
        auto hashBytes = Unhex(hash);
        if (!saltBytes || !hashBytes || account.userId <= 0) {
            error = "unreadable account line in " + file.string();
            return false;
        }
        account.salt = *saltBytes;
        account.hash = *hashBytes;
        imported.push_back(std::move(account));
    }
    for (const auto& account : imported) {
        if (!store.FindAccount(account.name) && !store.PutAccount(account, kFirstUserId)) {
            error = "cannot store the accounts of " + file.string();
            return false;
        }
    }
    std::error_code code;
    std::filesystem::rename(file, file.string() + ".imported", code);
    if (code) {
        error = "cannot rename " + file.string() + ": " + code.message();
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
    const ServiceStore::Account account{name, 0, kIterations, salt,
                                        Derive(password, salt, kIterations)};
    const auto added = store.PutAccount(account, kFirstUserId);
    if (!added) {
        error = "the account cannot be stored";
    }
    return added;
}

std::optional<int> AccountStore::Verify(const std::string& name, const std::string& password)
{
    const auto account = store.FindAccount(name);
    // An unknown name costs as much as a wrong password.
    const bool known = account && account->iterations > 0;
    const std::string salt = known ? account->salt : std::string(kSaltSize, '\0');
    const std::string hash = Derive(password, salt, known ? account->iterations : kIterations);
    if (!known || hash.size() != account->hash.size() ||
        CRYPTO_memcmp(hash.data(), account->hash.data(), hash.size()) != 0) {
        return std::nullopt;
    }
    return account->userId;
}

std::optional<std::string> AccountStore::NameOf(int userId) const
{
    return store.AccountName(userId);
}
