#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class StopEvent;

// Program-side wrappers over the utility library. They hide the buffer convention: a first
// call with a default capacity, on result 3 exactly one retry with the needed size + 4; the
// result is empty (std::nullopt) unless the library answered 0. Empty input gives "";
// text input holding a NUL fails, as the library would silently cut it there.
namespace Utility {

inline constexpr std::uint32_t kPathCapacity = 2600;
inline constexpr std::uint32_t kServiceReplyCapacity = 13000;
inline constexpr std::uint32_t kServiceTimeoutMs = 60000;
inline constexpr std::uint32_t kServiceAttempts = 3;
inline constexpr const char* kAppName = "Dokora";

using BufferCall = std::function<int(char* out, std::uint32_t capacity, std::uint32_t* needed)>;
std::optional<std::string> CallWithBuffer(std::uint32_t capacity, const BufferCall& call);

std::optional<std::string> Utf8ToUnicode(std::string_view utf8);
std::optional<std::string> UnicodeToUtf8(std::string_view text);
std::optional<std::string> AnsiToUnicode(std::string_view bytes);
std::optional<std::string> EncodeBase64(std::string_view bytes);
std::optional<std::string> DecodeBase64(std::string_view text);
std::optional<std::string> EncodeMd5(std::string_view bytes);
std::optional<std::string> EncodeAes(std::string_view text, int keySize);

std::optional<std::string> WorkPath();
std::optional<std::string> AppDataPath();
std::optional<std::string> UpdatePath();
std::optional<std::string> MainVersion();
std::optional<std::string> ExeVersion(std::string_view path);

struct HttpReply
{
    int status = 0; // only 200 counts; 0 when no exchange took place or the reply was too large
    std::string body;
};
// A service request through TC_HTTP::Request with a reply buffer of `capacity` bytes. A
// reply that does not fit fails (status 0) rather than being cut short.
HttpReply Request(std::string_view method, std::string_view url, std::string_view headerLines,
                  std::string_view body, std::uint32_t timeoutMs = kServiceTimeoutMs,
                  std::uint32_t attempts = kServiceAttempts,
                  std::uint32_t capacity = kServiceReplyCapacity);
// A service request of a worker thread, with the default time-out and attempts: a stop
// request ends it (status 0) within a few milliseconds.
HttpReply Request(const StopEvent& stop, std::string_view method, std::string_view url,
                  std::string_view headerLines, std::string_view body,
                  std::uint32_t capacity = kServiceReplyCapacity);

} // namespace Utility
