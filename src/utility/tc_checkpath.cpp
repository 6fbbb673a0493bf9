#include "utility/tc_checkpath.h"

#include "utility/tc_buffer.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace TC_CHECKPATH {
namespace {

using TC_BUFFER::CopyOut;
using TC_BUFFER::kFailed;
using TC_BUFFER::kOk;

constexpr const char* kLoglibMarker = "log.dll";

std::optional<fs::path> WorkDirectory()
{
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error || exe.empty())
        return std::nullopt;
    return exe.parent_path();
}

std::optional<fs::path> HomeDirectory()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return fs::path(home);
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return fs::path(entry->pw_dir);
    return std::nullopt;
}

// An XDG base directory: the variable when it holds an absolute path, else HOME/fallback.
std::optional<fs::path> XdgDirectory(const char* variable, const char* fallback)
{
    if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/')
        return fs::path(value);
    const auto home = HomeDirectory();
    if (!home)
        return std::nullopt;
    return *home / fallback;
}

// The name must be one plain path component, so it cannot lead outside the base directory.
bool IsPlainName(const char* name)
{
    if (name == nullptr)
        return false;
    const std::string_view text(name);
    return !text.empty() && text != "." && text != ".." && text.find('/') == std::string_view::npos;
}

std::string WithTrailingSlash(const fs::path& directory)
{
    std::string text = directory.string();
    if (text.empty() || text.back() != '/')
        text.push_back('/');
    return text;
}

int CopyDirectory(const std::optional<fs::path>& directory, char* out, std::uint32_t capacity,
                  std::uint32_t* needed)
{
    if (!directory)
        return kFailed;
    std::error_code error;
    fs::create_directories(*directory, error);
    if (error || !fs::is_directory(*directory, error))
        return kFailed;
    return CopyOut(WithTrailingSlash(*directory), out, capacity, needed);
}

} // namespace

bool TC_FileExist(const char* path)
{
    std::error_code error;
    return path != nullptr && fs::exists(path, error) && !fs::is_directory(path, error);
}

bool TC_DirectoryExist(const char* path)
{
    std::error_code error;
    return path != nullptr && fs::is_directory(path, error);
}

bool TC_CreateDirectory(const char* path)
{
    if (path == nullptr || path[0] == '\0')
        return false;
    std::error_code error;
    fs::create_directories(path, error);
    return !error && fs::is_directory(path, error);
}

bool TC_DeleteFile(const char* path)
{
    if (path == nullptr || path[0] == '\0')
        return false;
    std::error_code error;
    if (fs::is_directory(fs::symlink_status(path, error)))
        return false;
    fs::remove(path, error);
    return !error;
}

bool TC_DeleteDirectory(const char* path)
{
    if (path == nullptr || path[0] == '\0')
        return false;
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(path, error)))
        return false;
    fs::remove_all(path, error);
    return !error;
}

int TC_GetFileSize(const char* path, std::uint64_t* size)
{
    if (path == nullptr || size == nullptr)
        return kFailed;
    std::error_code error;
    const std::uintmax_t bytes = fs::file_size(path, error);
    if (error)
        return kFailed;
    *size = bytes;
    return kOk;
}

int TC_GetWorkPath(char* out, std::uint32_t capacity, std::uint32_t* needed)
{
    const auto directory = WorkDirectory();
    if (!directory)
        return kFailed;
    return CopyOut(WithTrailingSlash(*directory), out, capacity, needed);
}

int TC_GetAppDataPath(const char* name, char* out, std::uint32_t capacity, std::uint32_t* needed)
{
    if (!IsPlainName(name))
        return kFailed;
    const auto base = XdgDirectory("XDG_DATA_HOME", ".local/share");
    return CopyDirectory(base ? std::optional(*base / name) : std::nullopt, out, capacity, needed);
}

int TC_GetUpdatePath(const char* name, char* out, std::uint32_t capacity, std::uint32_t* needed)
{
    if (!IsPlainName(name))
        return kFailed;
    const auto base = XdgDirectory("XDG_CACHE_HOME", ".cache");
    return CopyDirectory(base ? std::optional(*base / name / "update") : std::nullopt, out,
                         capacity, needed);
}

bool TC_IsLoglibExist(const char* name)
{
    const auto directory = WorkDirectory();
    std::error_code error;
    return IsPlainName(name) && directory && fs::is_regular_file(*directory / kLoglibMarker, error);
}

int TC_CreateLimitedAccessFileByAdmin(const char* path)
{
    if (path == nullptr || path[0] == '\0')
        return kFailed;
    // O_EXCL: an existing file (a database with data in it) is never truncated.
    const int fd =
        open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return kFailed;
    const bool limited = fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    const bool closed = close(fd) == 0;
    if (!limited || !closed) {
        unlink(path);
        return kFailed;
    }
    return kOk;
}

} // namespace TC_CHECKPATH
