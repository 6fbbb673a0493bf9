#include "utility/utilitycalls.h"

#include "utility/tc_buffer.h"
#include "utility/tc_checkpath.h"
#include "utility/tc_encode.h"
#include "utility/tc_http.h"
#include "utility/tc_process.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Utility {
namespace {

constexpr std::uint32_t kRetryMargin = 4;
// A larger answer than this is a fault of the library, not a text to allocate for.
constexpr std::uint32_t kLargestBuffer = 256u * 1024 * 1024;

using LengthOf = std::function<std::size_t(const std::vector<char>& buffer, std::uint32_t needed)>;

std::size_t TextLength(const std::vector<char>& buffer, std::uint32_t)
{
    return strnlen(buffer.data(), buffer.size());
}

std::optional<std::string> CallSized(std::uint32_t capacity, const BufferCall& call,
                                     const LengthOf& lengthOf)
{
    for (int round = 0; round < 2; ++round) {
        std::vector<char> buffer(capacity, '\0');
        std::uint32_t needed = 0;
        const int result = call(buffer.data(), capacity, &needed);
        if (result == TC_BUFFER::kOk)
            return std::string(buffer.data(), std::min(lengthOf(buffer, needed), buffer.size()));
        if (result != TC_BUFFER::kTooSmall || needed > kLargestBuffer - kRetryMargin)
            return std::nullopt;
        capacity = needed + kRetryMargin;
    }
    return std::nullopt;
}

std::uint32_t ConversionCapacity(std::string_view input)
{
    return static_cast<std::uint32_t>(std::min<std::size_t>(2 * input.size(), kLargestBuffer));
}

// The library reads C strings: text with a NUL inside would be cut short silently.
bool IsCText(std::string_view text)
{
    return text.find('\0') == std::string_view::npos;
}

using TextCall =
    std::function<int(const char* input, char* out, std::uint32_t capacity, std::uint32_t* needed)>;

std::optional<std::string> ConvertText(std::string_view text, const TextCall& convert)
{
    if (text.empty())
        return std::string();
    if (!IsCText(text))
        return std::nullopt;
    const std::string input(text);
    return CallWithBuffer(ConversionCapacity(text),
                          [&](char* out, std::uint32_t capacity, std::uint32_t* needed) {
                              return convert(input.c_str(), out, capacity, needed);
                          });
}

const unsigned char* BytesOf(std::string_view bytes)
{
    return reinterpret_cast<const unsigned char*>(bytes.data());
}

} // namespace

std::optional<std::string> CallWithBuffer(std::uint32_t capacity, const BufferCall& call)
{
    return CallSized(capacity, call, TextLength);
}

std::optional<std::string> Utf8ToUnicode(std::string_view utf8)
{
    return ConvertText(utf8, TC_ENCODE::utf8_to_unicode);
}

std::optional<std::string> UnicodeToUtf8(std::string_view text)
{
    return ConvertText(text, TC_ENCODE::unicode_to_utf8);
}

std::optional<std::string> AnsiToUnicode(std::string_view bytes)
{
    return ConvertText(
        bytes, [](const char* input, char* out, std::uint32_t capacity, std::uint32_t* needed) {
            return TC_ENCODE::ansi_to_unicode(input, out, capacity, needed, 0);
        });
}

std::optional<std::string> EncodeBase64(std::string_view bytes)
{
    if (bytes.empty())
        return std::string();
    return CallWithBuffer(ConversionCapacity(bytes), [&](char* out, std::uint32_t capacity,
                                                         std::uint32_t* needed) {
        return TC_ENCODE::encode_base64(BytesOf(bytes), static_cast<std::uint32_t>(bytes.size()),
                                        out, capacity, needed);
    });
}

std::optional<std::string> DecodeBase64(std::string_view text)
{
    if (text.empty())
        return std::string();
    if (!IsCText(text))
        return std::nullopt;
    const std::string input(text);
    // The decoded bytes may hold NULs: their size comes back in `needed`.
    return CallSized(
        ConversionCapacity(text),
        [&](char* out, std::uint32_t capacity, std::uint32_t* needed) {
            return TC_ENCODE::decode_base64(input.c_str(), reinterpret_cast<unsigned char*>(out),
                                            capacity, needed);
        },
        [](const std::vector<char>&, std::uint32_t needed) { return std::size_t{needed}; });
}

std::optional<std::string> EncodeMd5(std::string_view bytes)
{
    if (bytes.empty())
        return std::string();
    return CallWithBuffer(
        ConversionCapacity(bytes), [&](char* out, std::uint32_t capacity, std::uint32_t* needed) {
            return TC_ENCODE::encode_md5(BytesOf(bytes), static_cast<std::uint32_t>(bytes.size()),
                                         out, capacity, needed);
        });
}

std::optional<std::string> EncodeAes(std::string_view text, int keySize)
{
    return ConvertText(text, [keySize](const char* input, char* out, std::uint32_t capacity,
                                       std::uint32_t* needed) {
        return TC_ENCODE::encode_aes(input, keySize, nullptr, out, capacity, needed);
    });
}

std::optional<std::string> WorkPath()
{
    return CallWithBuffer(kPathCapacity, TC_CHECKPATH::TC_GetWorkPath);
}

std::optional<std::string> AppDataPath()
{
    return CallWithBuffer(
        kPathCapacity, [](char* out, std::uint32_t capacity, std::uint32_t* needed) {
            return TC_CHECKPATH::TC_GetAppDataPath(kAppName, out, capacity, needed);
        });
}

std::optional<std::string> UpdatePath()
{
    return CallWithBuffer(
        kPathCapacity, [](char* out, std::uint32_t capacity, std::uint32_t* needed) {
            return TC_CHECKPATH::TC_GetUpdatePath(kAppName, out, capacity, needed);
        });
}

std::optional<std::string> MainVersion()
{
    return CallWithBuffer(kPathCapacity, TC_PROCESS::GetMainVersion);
}

std::optional<std::string> ExeVersion(std::string_view path)
{
    if (path.empty())
        return std::string();
    if (!IsCText(path))
        return std::nullopt;
    const std::string input(path);
    return CallWithBuffer(
        kPathCapacity, [&](char* out, std::uint32_t capacity, std::uint32_t* needed) {
            return TC_PROCESS::GetExeVersion(input.c_str(), out, capacity, needed);
        });
}

namespace {

HttpReply SendRequest(std::string_view method, std::string_view url, std::string_view headerLines,
                      std::string_view body, std::uint32_t timeoutMs, std::uint32_t attempts,
                      std::uint32_t capacity, const StopEvent* stop)
{
    std::vector<char> buffer(capacity, '\0');
    std::uint32_t needed = 0;
    TC_HTTP::TC_HttpParam param;
    param.method = method;
    param.url = url;
    param.headerLines = headerLines;
    param.body = body;
    param.response = buffer.data();
    param.capacity = capacity;
    param.timeoutMs = timeoutMs;
    param.attempts = attempts;
    param.needed = &needed;
    param.stopEvent = stop;
    const int status = TC_HTTP::Request(param);
    if (status == 0 || needed != 0)
        return {};
    return {status, std::string(buffer.data(), strnlen(buffer.data(), buffer.size()))};
}

} // namespace

HttpReply Request(std::string_view method, std::string_view url, std::string_view headerLines,
                  std::string_view body, std::uint32_t timeoutMs, std::uint32_t attempts,
                  std::uint32_t capacity)
{
    return SendRequest(method, url, headerLines, body, timeoutMs, attempts, capacity, nullptr);
}

HttpReply Request(const StopEvent& stop, std::string_view method, std::string_view url,
                  std::string_view headerLines, std::string_view body, std::uint32_t capacity)
{
    return SendRequest(method, url, headerLines, body, kServiceTimeoutMs, kServiceAttempts,
                       capacity, &stop);
}

} // namespace Utility
