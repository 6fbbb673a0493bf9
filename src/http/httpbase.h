#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class HttpSession;

// The parts of an http or https URL a transfer needs.
struct ParsedUrl
{
    std::string scheme;
    std::string host;
    std::string path; // from the first '/' after the host on, query included
    int port = 0;
};

// Connection settings and the text and URL helpers shared by the transfer classes. Worker
// threads inherit from a subclass beside their thread base; an object belongs to one thread.
// Text is UTF-8 throughout: the "wide" conversions validate instead of converting.
class CHttpBase
{
public:
    CHttpBase() = default;
    virtual ~CHttpBase() = default;
    CHttpBase(const CHttpBase&) = delete;
    CHttpBase& operator=(const CHttpBase&) = delete;

    virtual void SetUrl(std::string_view value);
    virtual std::string GetUrl() const;
    virtual void SetAgent(std::string_view value);
    virtual std::string GetAgent() const;
    virtual void SetCookie(std::string_view value);
    virtual std::string GetCookie() const;
    virtual void SetTimeout(std::int32_t milliseconds);
    virtual std::int32_t GetTimeout() const;
    virtual void SetAttempts(std::int32_t count);
    virtual std::int32_t GetAttempts() const;
    // Values below 1 are taken as 1: a transfer must move at least one byte per chunk.
    virtual void SetChunkSize(std::int32_t bytes);
    virtual std::int32_t GetChunkSize() const;

    // Applies connection settings to a transfer's session; nothing to apply in this class.
    virtual bool ConfigureSession(HttpSession& session);
    virtual std::optional<ParsedUrl> ParseUrl(std::string_view url) const;
    // Transfer progress: state 0 while running, 1 once when a transfer did not succeed.
    virtual void OnProgress(int state, std::uint32_t total, std::uint32_t done, void* userData);

    // Empty when the input is empty or not valid in its encoding.
    virtual std::string Utf8ToWide(std::string_view utf8) const;
    virtual std::string WideToUtf8(std::string_view text) const;
    // Code pages by number as the service's clients name them (65001 UTF-8, 936 GBK...);
    // 0 and 1 stand for the system's code page, which is UTF-8 here.
    virtual std::string MultiByteToWide(unsigned codePage, std::string_view bytes) const;
    virtual std::string WideToMultiByte(unsigned codePage, std::string_view text) const;
    virtual std::string UrlEncodeWide(std::string_view text) const;
    virtual std::string UrlEncode(std::string_view bytes) const;
    virtual std::string UrlDecode(std::string_view bytes) const;

protected:
    std::string url;
    std::string agent = "MyAgent";
    std::string cookie;
    std::int32_t chunkSize = 1024;
    std::int32_t attempts = 3;
    std::int32_t timeoutMs = 0;
};
