#include "adapter/filerecord.h"

#include "utility/pathsplit.h"

#include <cstdio>

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
    return SplitPath(path).name;
}

std::string_view PathDirectory(std::string_view path)
{
    const std::string_view folder = SplitPath(path).folder;
    return folder.empty() ? folder : folder.substr(0, folder.size() - 1);
}
