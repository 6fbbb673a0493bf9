#include "support/signingkey.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct BioFree
{
    void operator()(BIO* bio) const { BIO_free(bio); }
};

template <typename Write> std::string Pem(Write write)
{
    std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
    if (!bio || write(bio.get()) != 1)
        return {};
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

} // namespace

void SigningKey::KeyFree::operator()(evp_pkey_st* key) const
{
    EVP_PKEY_free(key);
}

SigningKey::SigningKey() : key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"))
{
    EXPECT_NE(key, nullptr);
}

std::string SigningKey::PublicPem() const
{
    return Pem([this](BIO* bio) { return PEM_write_bio_PUBKEY(bio, key.get()); });
}

std::string SigningKey::PrivatePem() const
{
    return Pem([this](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    });
}

std::string SigningKey::Sign(std::string_view data) const
{
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                    &EVP_MD_CTX_free);
    std::string signature(64, '\0');
    std::size_t size = signature.size();
    const bool signedOk =
        context && EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
        EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size()) == 1;
    EXPECT_TRUE(signedOk);
    signature.resize(size);
    return signature;
}
