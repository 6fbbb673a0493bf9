#include "update/versionfile.h"

namespace {

constexpr std::string_view kOpen = "<#";
constexpr std::string_view kClose = "#>";

// The text between the first "<#" and the first "#>" after it; `rest` moves past the "#>".
std::optional<std::string_view> NextField(std::string_view& rest)
{
    const std::size_t open = rest.find(kOpen);
    if (open == std::string_view::npos)
        return std::nullopt;
    const std::size_t begin = open + kOpen.size();
    const std::size_t close = rest.find(kClose, begin);
    if (close == std::string_view::npos)
        return std::nullopt;
    const std::string_view field = rest.substr(begin, close - begin);
    rest = rest.substr(close + kClose.size());
    return field;
}

} // namespace

std::optional<VersionFile> ParseVersionFile(std::string_view text)
{
    const auto version = NextField(text);
    if (!version || version->empty())
        return std::nullopt;
    VersionFile file{std::string(*version), false};
    // The flag starts at least one character after the version field.
    if (!text.empty()) {
        text.remove_prefix(1);
        const auto flag = NextField(text);
        file.forced = flag && *flag == "1";
    }
    return file;
}
