#pragma once

#include <string_view>

// Both separators: stored paths may be written the Windows way.
inline constexpr std::string_view kPathSeparators = "/\\";

// A path cut after its last separator (any character of `separators`): the folder keeps that
// separator, the name is the rest. Without a separator the folder is empty.
struct PathSplit
{
    std::string_view folder;
    std::string_view name;
};
PathSplit SplitPath(std::string_view path, std::string_view separators = kPathSeparators);
