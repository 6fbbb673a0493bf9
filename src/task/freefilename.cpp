#include "task/freefilename.h"

#include "utility/tc_checkpath.h"

namespace {

bool Exists(const std::string& path)
{
    return TC_CHECKPATH::TC_FileExist(path.c_str()) ||
           TC_CHECKPATH::TC_DirectoryExist(path.c_str());
}

} // namespace

std::string FreeFileName(const std::string& path)
{
    if (!Exists(path))
        return path;
    const auto lastSeparator = path.find_last_of("/\\");
    auto dot = path.rfind('.');
    if (dot == std::string::npos || (lastSeparator != std::string::npos && dot < lastSeparator))
        dot = path.size();
    for (int n = 1;; ++n) {
        std::string candidate = path.substr(0, dot);
        candidate += '(';
        candidate += std::to_string(n);
        candidate += ')';
        candidate.append(path, dot);
        if (!Exists(candidate))
            return candidate;
    }
}
