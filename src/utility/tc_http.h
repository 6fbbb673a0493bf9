#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class StopEvent;

// JSON requests of the service, over libcurl.
namespace TC_HTTP {

struct TC_HttpParam
{
    std::string method; // "GET" or "POST"
    std::string url;
    std::string headerLines;  // "Name: value" lines separated by "\r\n"
    std::string body;         // "" when empty
    char* response = nullptr; // caller's buffer, zero-filled; receives a NUL-terminated body
    std::uint32_t capacity = 0;
    std::uint32_t timeoutMs = 60000;
    std::uint32_t attempts = 3;
    // Receives the body size + 1 when the body does not fit into `response`.
    std::uint32_t* needed = nullptr;
    // When set, ends the request (no exchange) within a few milliseconds.
    const StopEvent* stopEvent = nullptr;
};

// Once at start with the client's user agent, and once at exit.
void Init(std::string_view userAgent);
void Release();

// Returns the HTTP status, 0 when no exchange took place. A body that does not fit into the
// buffer is not copied at all (the buffer stays empty) and its size is stored in `needed`.
int Request(const TC_HttpParam& param);

} // namespace TC_HTTP
