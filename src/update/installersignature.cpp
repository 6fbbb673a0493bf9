#include "update/installersignature.h"

#include "update/updateoffer.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

namespace {

constexpr std::size_t kEd25519SignatureSize = 64;

struct KeyFree
{
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct ContextFree
{
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct BioFree
{
    void operator()(BIO* bio) const { BIO_free(bio); }
};

std::unique_ptr<EVP_PKEY, KeyFree> ReadPublicKey(std::string_view pem)
{
    if (pem.empty())
        return nullptr;
    std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    if (!bio)
        return nullptr;
    std::unique_ptr<EVP_PKEY, KeyFree> key(
        PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519)
        return nullptr;
    return key;
}

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad())
        return std::nullopt;
    return bytes;
}

} // namespace

bool IsSignedBy(std::string_view data, std::string_view signature, std::string_view publicKeyPem)
{
    const auto key = ReadPublicKey(publicKeyPem);
    if (!key || signature.size() != kEd25519SignatureSize)
        return false;
    std::unique_ptr<EVP_MD_CTX, ContextFree> context(EVP_MD_CTX_new());
    // Ed25519 signs the message itself, so it takes no digest and no streaming.
    return context &&
           EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
           EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                            signature.size(), reinterpret_cast<const unsigned char*>(data.data()),
                            data.size()) == 1;
}

VerifiedInstaller ReadVerifiedInstaller(const std::string& installerFile,
                                        std::string_view publicKeyPem)
{
    if (!ReadPublicKey(publicKeyPem))
        return {SignatureCheck::NoKey, {}};
    auto bytes = ReadWholeFile(installerFile);
    if (!bytes)
        return {SignatureCheck::MissingInstaller, {}};
    const auto signature = ReadWholeFile(installerFile + std::string(kSignatureSuffix));
    if (!signature)
        return {SignatureCheck::MissingSignature, {}};
    if (!IsSignedBy(*bytes, *signature, publicKeyPem))
        return {SignatureCheck::Invalid, {}};
    return {SignatureCheck::Valid, std::move(*bytes)};
}
