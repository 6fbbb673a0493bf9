#include "utility/tc_encode.h"
#include "utility/utilitycalls.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <memory>
#include <string>

namespace {

TEST(UtilityEncodeUtf8, ValidTextPassesUnchanged)
{
    const std::string text = "Dokora \xe6\x96\x87\xe6\xa1\xa3 \xf0\x9f\x93\x84";
    EXPECT_EQ(Utility::Utf8ToUnicode(text), text);
    EXPECT_EQ(Utility::UnicodeToUtf8(text), text);
}

TEST(UtilityEncodeUtf8, MalformedTextFails)
{
    for (const char* bad : {
             "\xc3",             // truncated sequence
             "a\x80z",           // stray continuation byte
             "\xc0\xaf",         // overlong '/'
             "\xe0\x80\xaf",     // overlong, three bytes
             "\xed\xa0\x80",     // surrogate
             "\xf4\x90\x80\x80", // above U+10FFFF
             "\xff",
         }) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(Utility::Utf8ToUnicode(bad).has_value());
        EXPECT_FALSE(Utility::UnicodeToUtf8(bad).has_value());
    }
}

TEST(UtilityEncodeAnsi, LegacyBytesAreReadAsGb18030)
{
    EXPECT_EQ(Utility::AnsiToUnicode("\xd6\xd0\xce\xc4"), "\xe4\xb8\xad\xe6\x96\x87");
    EXPECT_EQ(Utility::AnsiToUnicode("\xe4\xb8\xad"), "\xe4\xb8\xad");
    EXPECT_FALSE(Utility::AnsiToUnicode("\x81").has_value());
}

TEST(UtilityEncodeBase64, KnownVectors)
{
    EXPECT_EQ(Utility::EncodeBase64("f"), "Zg==");
    EXPECT_EQ(Utility::EncodeBase64("foob"), "Zm9vYg==");
    EXPECT_EQ(Utility::EncodeBase64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(Utility::DecodeBase64("Zm9vYmE="), "fooba");
    EXPECT_EQ(Utility::DecodeBase64("Zm9vYmFy"), "foobar");
}

TEST(UtilityEncodeBase64, DecodedBytesMayHoldNul)
{
    using namespace std::string_literals;
    const std::string bytes = "a\0b\xff"s;
    const auto text = Utility::EncodeBase64(bytes);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(Utility::DecodeBase64(*text), bytes);
}

TEST(UtilityEncodeBase64, MalformedTextFails)
{
    EXPECT_FALSE(Utility::DecodeBase64("Zm9v!mFy").has_value());
    EXPECT_FALSE(Utility::DecodeBase64("Zm9vYg").has_value());
}

TEST(UtilityEncodeMd5, KnownVectors)
{
    EXPECT_EQ(Utility::EncodeMd5("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Utility::EncodeMd5("The quick brown fox jumps over the lazy dog"),
              "9e107d9d372bb6826bd81d3542a419d6");
}

std::string Decrypt(const std::string& sealed, const EVP_CIPHER* cipher, const unsigned char* iv)
{
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                            EVP_CIPHER_CTX_free);
    std::string plain(sealed.size(), '\0');
    auto* out = reinterpret_cast<unsigned char*>(plain.data());
    int length = 0;
    int finalLength = 0;
    if (EVP_DecryptInit_ex(context.get(), cipher, nullptr,
                           reinterpret_cast<const unsigned char*>(TC_ENCODE::kAesKeyMaterial),
                           iv) != 1 ||
        EVP_DecryptUpdate(context.get(), out, &length,
                          reinterpret_cast<const unsigned char*>(sealed.data()),
                          static_cast<int>(sealed.size())) != 1 ||
        EVP_DecryptFinal_ex(context.get(), out + length, &finalLength) != 1)
        return "<decryption failed>";
    plain.resize(static_cast<std::size_t>(length + finalLength));
    return plain;
}

TEST(UtilityEncodeAes, RoundTripsThroughOpenSsl)
{
    const std::string key = "3f2a9c1e-77b0-4d5e-a1c8-0b6e5d4f3a2b-1c9e7";
    const struct
    {
        int size;
        const EVP_CIPHER* cipher;
    } cases[] = {{16, EVP_aes_128_ecb()}, {24, EVP_aes_192_ecb()}, {32, EVP_aes_256_ecb()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const auto sealed = Utility::EncodeAes(key, c.size);
        ASSERT_TRUE(sealed.has_value());
        EXPECT_EQ(sealed->size(), 4u * ((48 + 2) / 3)); // 42 bytes pad to three blocks
        const auto bytes = Utility::DecodeBase64(*sealed);
        ASSERT_TRUE(bytes.has_value());
        EXPECT_EQ(Decrypt(*bytes, c.cipher, nullptr), key);
    }
    EXPECT_FALSE(Utility::EncodeAes(key, 20).has_value());
}

TEST(UtilityEncodeAes, InitialisationVectorSelectsCbc)
{
    const auto sealed =
        Utility::CallWithBuffer(64, [](char* out, std::uint32_t capacity, std::uint32_t* needed) {
            return TC_ENCODE::encode_aes("secret text", 16, "short-iv", out, capacity, needed);
        });
    ASSERT_TRUE(sealed.has_value());
    const unsigned char iv[16] = {'s', 'h', 'o', 'r', 't', '-', 'i', 'v'};
    EXPECT_EQ(Decrypt(*Utility::DecodeBase64(*sealed), EVP_aes_128_cbc(), iv), "secret text");
}

} // namespace
