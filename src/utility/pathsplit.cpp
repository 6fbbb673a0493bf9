#include "utility/pathsplit.h"

PathSplit SplitPath(std::string_view path, std::string_view separators)
{
    const auto last = path.find_last_of(separators);
    const auto nameStart = last == std::string_view::npos ? 0 : last + 1;
    return {path.substr(0, nameStart), path.substr(nameStart)};
}
