#include "adapter/filerecord.h"

#include <cstdio>

namespace {

constexpr std::string_view kSeparators = "/\\";

} // namespace

std::string FormatSizeText(std::uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2fM", static_cast<double>(bytes) / 1048576.0);
    return text;
}

std::string FormatDateText(std::time_t time)
{
    std::tm local{};
    localtime_r(&time, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%04d.%02d.%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday);
    return text;
}

std::string_view PathFileName(std::string_view path)
{
    const std::size_t last = path.find_last_of(kSeparators);
    return last == std::string_view::npos ? path : path.substr(last + 1);
}

std::string_view PathDirectory(std::string_view path)
{
    const std::size_t last = path.find_last_of(kSeparators);
    return last == std::string_view::npos ? std::string_view() : path.substr(0, last);
}
