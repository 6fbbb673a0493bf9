#include "http/httpbase.h"

#include "http/urlcoding.h"
#include "utility/textcase.h"
#include "utility/utf8.h"

#include <iconv.h>

#include <charconv>
#include <string_view>

namespace {

bool IsSystemCodePage(unsigned codePage)
{
    return codePage == 0 || codePage == 1 || codePage == 65001;
}

// Converts with iconv; empty on any error.
std::string Convert(const std::string& from, const std::string& to, std::string_view input)
{
    iconv_t converter = iconv_open(to.c_str(), from.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    std::string output(input.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0) {
        return {};
    }
    output.resize(output.size() - outLeft);
    return output;
}

} // namespace

void CHttpBase::SetUrl(std::string_view value)
{
    url = value;
}

std::string CHttpBase::GetUrl() const
{
    return url;
}

void CHttpBase::SetAgent(std::string_view value)
{
    agent = value;
}

std::string CHttpBase::GetAgent() const
{
    return agent;
}

void CHttpBase::SetCookie(std::string_view value)
{
    cookie = value;
}

std::string CHttpBase::GetCookie() const
{
    return cookie;
}

void CHttpBase::SetTimeout(std::int32_t milliseconds)
{
    timeoutMs = milliseconds;
}

std::int32_t CHttpBase::GetTimeout() const
{
    return timeoutMs;
}

void CHttpBase::SetAttempts(std::int32_t count)
{
    attempts = count;
}

std::int32_t CHttpBase::GetAttempts() const
{
    return attempts;
}

void CHttpBase::SetChunkSize(std::int32_t bytes)
{
    chunkSize = std::max<std::int32_t>(bytes, 1);
}

std::int32_t CHttpBase::GetChunkSize() const
{
    return chunkSize;
}

bool CHttpBase::ConfigureSession(HttpSession&)
{
    return true;
}

std::optional<ParsedUrl> CHttpBase::ParseUrl(std::string_view text) const
{
    const auto schemeEnd = text.find("://");
    if (schemeEnd == std::string_view::npos) {
        return std::nullopt;
    }
    ParsedUrl parsed;
    parsed.scheme = text.substr(0, schemeEnd);
    const auto hostStart = schemeEnd + 3;
    const auto pathStart = text.find('/', hostStart);
    if (pathStart == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view hostPart = text.substr(hostStart, pathStart - hostStart);
    parsed.path = text.substr(pathStart);

    if (EqualsNoCase(parsed.scheme, "http")) {
        parsed.port = 80;
    } else if (EqualsNoCase(parsed.scheme, "https")) {
        parsed.port = 443;
    } else {
        return std::nullopt;
    }
    // A port colon comes after the closing bracket of an IPv6 literal.
    const auto bracket = hostPart.rfind(']');
    const auto colon = hostPart.rfind(':');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
        const std::string_view portText = hostPart.substr(colon + 1);
        int port = 0;
        const auto [end, error] =
            std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (error != std::errc() || end != portText.data() + portText.size() || port < 1 ||
            port > 65535) {
            return std::nullopt;
        }
        parsed.port = port;
        hostPart = hostPart.substr(0, colon);
    }
    if (hostPart.empty()) {
        return std::nullopt;
    }
    parsed.host = hostPart;
    return parsed;
}

void CHttpBase::OnProgress(int, std::uint32_t, std::uint32_t, void*) {}

std::string CHttpBase::Utf8ToWide(std::string_view utf8) const
{
    return IsValidUtf8(utf8) ? std::string(utf8) : std::string();
}

std::string CHttpBase::WideToUtf8(std::string_view text) const
{
    return IsValidUtf8(text) ? std::string(text) : std::string();
}

std::string CHttpBase::MultiByteToWide(unsigned codePage, std::string_view bytes) const
{
    if (IsSystemCodePage(codePage)) {
        return Utf8ToWide(bytes);
    }
    return bytes.empty() ? std::string() : Convert("CP" + std::to_string(codePage), "UTF-8", bytes);
}

std::string CHttpBase::WideToMultiByte(unsigned codePage, std::string_view text) const
{
    if (IsSystemCodePage(codePage)) {
        return WideToUtf8(text);
    }
    if (text.empty() || !IsValidUtf8(text)) {
        return {};
    }
    return Convert("UTF-8", "CP" + std::to_string(codePage), text);
}

std::string CHttpBase::UrlEncodeWide(std::string_view text) const
{
    return Utf8ToWide(UrlEncode(WideToUtf8(text)));
}

std::string CHttpBase::UrlEncode(std::string_view bytes) const
{
    return UrlEncodeBytes(bytes);
}

std::string CHttpBase::UrlDecode(std::string_view bytes) const
{
    return UrlDecodeBytes(bytes);
}
