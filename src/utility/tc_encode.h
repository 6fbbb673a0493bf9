#pragma once

#include <cstdint>

// Text conversions and digests. Every text result follows the buffer convention: 0 success,
// 3 buffer too small (the needed capacity, NUL included, is stored in `needed`), any other
// value failure. Text in the program is UTF-8 throughout, so the "unicode" conversions
// validate UTF-8 and fail on malformed input.
namespace TC_ENCODE {

int utf8_to_unicode(const char* utf8, char* out, std::uint32_t capacity, std::uint32_t* needed);
int unicode_to_utf8(const char* text, char* out, std::uint32_t capacity, std::uint32_t* needed);
// Bytes in the legacy code page (0: the system's, GB18030 here) to UTF-8; valid UTF-8 is kept.
int ansi_to_unicode(const char* bytes, char* out, std::uint32_t capacity, std::uint32_t* needed,
                    int codePage);

int encode_base64(const unsigned char* data, std::uint32_t size, char* out, std::uint32_t capacity,
                  std::uint32_t* needed);
// `needed` receives the decoded size on success too (the bytes may hold NULs).
int decode_base64(const char* text, unsigned char* out, std::uint32_t capacity,
                  std::uint32_t* needed);
// Lower-case hexadecimal MD5 digest.
int encode_md5(const unsigned char* data, std::uint32_t size, char* out, std::uint32_t capacity,
               std::uint32_t* needed);
// The library's own AES key: its first `keySize` bytes are the key.
inline constexpr char kAesKeyMaterial[] = "Dk0ra-Vault-Key/7c1e94b2f05ad836";

// AES in ECB mode with the library's own key of `keySize` bytes (16, 24 or 32), PKCS#7
// padding; a non-null `iv` selects CBC, its first 16 bytes (zero-padded when shorter) being
// the initialisation vector. The result is Base64 text.
int encode_aes(const char* text, int keySize, const char* iv, char* out, std::uint32_t capacity,
               std::uint32_t* needed);

} // namespace TC_ENCODE
