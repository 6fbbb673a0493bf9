#include "update/oldfolder.h"

#include "utility/tc_checkpath.h"
#include "utility/utilitycalls.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// `inner` is `outer` or lies below it (both absolute and normal).
bool IsWithin(const fs::path& inner, const fs::path& outer)
{
    const auto mismatch =
        std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first;
    return mismatch == outer.end();
}

fs::path Canonical(const fs::path& path)
{
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(path, error);
    return (error ? fs::absolute(path, error) : resolved).lexically_normal();
}

fs::path WithoutTrailingSeparator(fs::path path)
{
    while (!path.has_filename() && path.has_relative_path())
        path = path.parent_path();
    return path;
}

} // namespace

std::optional<fs::path> OldFolderToRemove(const std::string& appDataDir)
{
    if (appDataDir.empty())
        return std::nullopt;
    const fs::path live = WithoutTrailingSeparator(Canonical(appDataDir));
    if (!live.has_parent_path() || live.parent_path() == live)
        return std::nullopt;
    const fs::path old =
        WithoutTrailingSeparator(Canonical(live.parent_path() / Utility::kAppName));
    if (IsWithin(live, old) || IsWithin(old, live))
        return std::nullopt;
    return old;
}

bool RemoveOldFolder(const std::string& appDataDir)
{
    const auto old = OldFolderToRemove(appDataDir);
    std::error_code error;
    if (!old || !fs::is_directory(*old, error))
        return false;
    return TC_CHECKPATH::TC_DeleteDirectory(old->c_str());
}
