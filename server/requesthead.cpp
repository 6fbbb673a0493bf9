#include "requesthead.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace RequestHead {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The value of the header `name` among `headers` (the lines after the request line).
std::optional<std::string_view> Header(std::string_view headers, std::string_view name)
{
    while (!headers.empty()) {
        const auto end = headers.find(kLineEnd);
        const std::string_view line = headers.substr(0, end);
        const auto colon = line.find(':');
        if (colon != std::string_view::npos && SameText(Trimmed(line.substr(0, colon)), name)) {
            return Trimmed(line.substr(colon + 1));
        }
        if (end == std::string_view::npos) {
            break;
        }
        headers.remove_prefix(end + kLineEnd.size());
    }
    return std::nullopt;
}

Verdict Refuse(int status, std::string reason)
{
    return {Readiness::Refused, false, status, std::move(reason)};
}

} // namespace

Verdict Examine(std::string_view received, const Rules& rules)
{
    const auto headEnd = received.find("\r\n\r\n");
    if (headEnd == std::string_view::npos) {
        return received.size() > rules.maxHead ? Refuse(431, "the request head is too large")
                                               : Verdict{};
    }
    if (headEnd > rules.maxHead) {
        return Refuse(431, "the request head is too large");
    }
    const std::string_view head = received.substr(0, headEnd);
    const auto lineEnd = head.find(kLineEnd);
    const std::string_view requestLine = head.substr(0, lineEnd);
    const std::string_view headers =
        lineEnd == std::string_view::npos ? std::string_view() : head.substr(lineEnd + 2);

    const auto space = requestLine.find(' ');
    if (space == std::string_view::npos) {
        return Refuse(400, "malformed request line");
    }
    std::string_view target = requestLine.substr(space + 1);
    target = target.substr(0, target.find(' '));
    const std::string_view path = target.substr(0, target.find('?'));
    if (std::find(rules.streamingPaths.begin(), rules.streamingPaths.end(), path) !=
        rules.streamingPaths.end()) {
        return {Readiness::Ready, true, 0, {}};
    }

    if (Header(headers, "Transfer-Encoding")) {
        return Refuse(411, "a body on this route needs a Content-Length");
    }
    std::size_t length = 0;
    if (const auto declared = Header(headers, "Content-Length")) {
        const auto [end, error] =
            std::from_chars(declared->data(), declared->data() + declared->size(), length);
        if (error != std::errc() || end != declared->data() + declared->size()) {
            return Refuse(400, "malformed Content-Length");
        }
    }
    if (length > rules.maxSmallBody) {
        return Refuse(413, "the request body is larger than " +
                               std::to_string(rules.maxSmallBody >> 10) + " KiB");
    }
    // A client waiting for "100 Continue" sends its body only once a worker answers.
    const auto expect = Header(headers, "Expect");
    const bool waitsToSend = expect && SameText(*expect, "100-continue");
    const std::size_t bodyStart = headEnd + 4;
    if (waitsToSend || received.size() - bodyStart >= length) {
        return {Readiness::Ready, false, 0, {}};
    }
    return {};
}

} // namespace RequestHead
