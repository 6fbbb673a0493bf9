#include "utility/tc_encode.h"

#include "utility/tc_buffer.h"
#include "utility/utf8.h"

#include <iconv.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace TC_ENCODE {
namespace {

using TC_BUFFER::CopyOut;
using TC_BUFFER::kFailed;
using TC_BUFFER::kOk;

constexpr int kSystemCodePage = 0;
constexpr int kGbCodePage = 936;
constexpr int kUtf8CodePage = 65001;
constexpr std::size_t kAesBlock = 16;

int CopyValidUtf8(const char* text, char* out, std::uint32_t capacity, std::uint32_t* needed)
{
    if (text == nullptr || !IsValidUtf8(text))
        return kFailed;
    return CopyOut(text, out, capacity, needed);
}

std::string CharsetOf(int codePage)
{
    switch (codePage) {
    case kSystemCodePage:
    case kGbCodePage:
        return "GB18030";
    case kUtf8CodePage:
        return "UTF-8";
    default:
        return "CP" + std::to_string(codePage);
    }
}

std::optional<std::string> ConvertToUtf8(std::string_view bytes, const std::string& charset)
{
    const iconv_t cd = iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string result;
    std::array<char, 4096> chunk{};
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = chunk.data();
        std::size_t outLeft = chunk.size();
        const std::size_t done = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        result.append(chunk.data(), chunk.size() - outLeft);
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    if (!ok)
        return std::nullopt;
    return result;
}

std::string ToBase64(const unsigned char* data, std::size_t size)
{
    std::string text(4 * ((size + 2) / 3), '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), data,
                                        static_cast<int>(size));
    text.resize(static_cast<std::size_t>(written));
    return text;
}

struct CipherContextFree
{
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

const EVP_CIPHER* AesCipher(int keySize, bool chained)
{
    switch (keySize) {
    case 16:
        return chained ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
    case 24:
        return chained ? EVP_aes_192_cbc() : EVP_aes_192_ecb();
    case 32:
        return chained ? EVP_aes_256_cbc() : EVP_aes_256_ecb();
    default:
        return nullptr;
    }
}

std::optional<std::string> AesEncrypt(std::string_view text, int keySize, const char* iv)
{
    const EVP_CIPHER* cipher = AesCipher(keySize, iv != nullptr);
    if (cipher == nullptr)
        return std::nullopt;
    std::array<unsigned char, kAesBlock> ivBytes{};
    if (iv != nullptr)
        std::memcpy(ivBytes.data(), iv, std::min(std::strlen(iv), kAesBlock));
    const std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
    std::string sealed(text.size() + kAesBlock, '\0');
    auto* sealedBytes = reinterpret_cast<unsigned char*>(sealed.data());
    int length = 0;
    int finalLength = 0;
    if (!context ||
        EVP_EncryptInit_ex(context.get(), cipher, nullptr,
                           reinterpret_cast<const unsigned char*>(kAesKeyMaterial),
                           iv != nullptr ? ivBytes.data() : nullptr) != 1 ||
        EVP_EncryptUpdate(context.get(), sealedBytes, &length,
                          reinterpret_cast<const unsigned char*>(text.data()),
                          static_cast<int>(text.size())) != 1 ||
        EVP_EncryptFinal_ex(context.get(), sealedBytes + length, &finalLength) != 1)
        return std::nullopt;
    return ToBase64(sealedBytes, static_cast<std::size_t>(length + finalLength));
}

} // namespace

int utf8_to_unicode(const char* utf8, char* out, std::uint32_t capacity, std::uint32_t* needed)
{
    return CopyValidUtf8(utf8, out, capacity, needed);
}

int unicode_to_utf8(const char* text, char* out, std::uint32_t capacity, std::uint32_t* needed)
{
    return CopyValidUtf8(text, out, capacity, needed);
}

int ansi_to_unicode(const char* bytes, char* out, std::uint32_t capacity, std::uint32_t* needed,
                    int codePage)
{
    if (bytes == nullptr)
        return kFailed;
    if (IsValidUtf8(bytes))
        return CopyOut(bytes, out, capacity, needed);
    const auto converted = ConvertToUtf8(bytes, CharsetOf(codePage));
    if (!converted)
        return kFailed;
    return CopyOut(*converted, out, capacity, needed);
}

int encode_base64(const unsigned char* data, std::uint32_t size, char* out, std::uint32_t capacity,
                  std::uint32_t* needed)
{
    if (data == nullptr && size > 0)
        return kFailed;
    return CopyOut(ToBase64(data, size), out, capacity, needed);
}

int decode_base64(const char* text, unsigned char* out, std::uint32_t capacity,
                  std::uint32_t* needed)
{
    if (text == nullptr)
        return kFailed;
    const std::size_t textSize = std::strlen(text);
    std::string bytes(3 * (textSize / 4 + 1), '\0');
    auto* bytesOut = reinterpret_cast<unsigned char*>(bytes.data());
    EVP_ENCODE_CTX* context = EVP_ENCODE_CTX_new();
    if (context == nullptr)
        return kFailed;
    EVP_DecodeInit(context);
    int length = 0;
    int finalLength = 0;
    const int updated =
        EVP_DecodeUpdate(context, bytesOut, &length, reinterpret_cast<const unsigned char*>(text),
                         static_cast<int>(textSize));
    const int finished = EVP_DecodeFinal(context, bytesOut + length, &finalLength);
    EVP_ENCODE_CTX_free(context);
    if (updated < 0 || finished != 1)
        return kFailed;
    bytes.resize(static_cast<std::size_t>(length + finalLength));
    const int result = CopyOut(bytes, reinterpret_cast<char*>(out), capacity, needed);
    if (result == kOk && needed != nullptr)
        *needed = static_cast<std::uint32_t>(bytes.size());
    return result;
}

int encode_md5(const unsigned char* data, std::uint32_t size, char* out, std::uint32_t capacity,
               std::uint32_t* needed)
{
    if (data == nullptr && size > 0)
        return kFailed;
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int digestSize = 0;
    if (EVP_Digest(data, size, digest.data(), &digestSize, EVP_md5(), nullptr) != 1)
        return kFailed;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < digestSize; ++i) {
        hex.push_back(kHex[digest[i] >> 4]);
        hex.push_back(kHex[digest[i] & 0x0F]);
    }
    return CopyOut(hex, out, capacity, needed);
}

int encode_aes(const char* text, int keySize, const char* iv, char* out, std::uint32_t capacity,
               std::uint32_t* needed)
{
    if (text == nullptr)
        return kFailed;
    const auto sealed = AesEncrypt(text, keySize, iv);
    if (!sealed)
        return kFailed;
    return CopyOut(*sealed, out, capacity, needed);
}

} // namespace TC_ENCODE
