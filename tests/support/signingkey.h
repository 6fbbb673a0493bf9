#pragma once

#include <memory>
#include <string>
#include <string_view>

struct evp_pkey_st;

// A fresh Ed25519 key pair made for one test, so no private key lives in the repository.
class SigningKey
{
public:
    SigningKey();

    std::string PublicPem() const;
    std::string PrivatePem() const;
    // The raw 64-byte signature of `data`.
    std::string Sign(std::string_view data) const;

private:
    struct KeyFree
    {
        void operator()(evp_pkey_st* key) const;
    };
    std::unique_ptr<evp_pkey_st, KeyFree> key;
};
