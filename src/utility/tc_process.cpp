#include "utility/tc_process.h"

#include "utility/tc_buffer.h"

#include "dokora_version.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace TC_PROCESS {
namespace {

using TC_BUFFER::CopyOut;
using TC_BUFFER::kFailed;

constexpr std::size_t kStampWindow = 64 * 1024;
// Room for the stamp line that starts near the end of the window.
constexpr std::size_t kStampLineMax = 256;
constexpr auto kWaitPoll = std::chrono::milliseconds(10);
constexpr const char* kOpener = "xdg-open";

enum class SpawnMode
{
    ExactPath,
    SearchPath
};

// Starts `arguments[0]` with `arguments`; 0 or the errno value of the failure.
int Spawn(const std::vector<std::string>& arguments, SpawnMode mode, pid_t* pid)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return mode == SpawnMode::SearchPath
               ? posix_spawnp(pid, argv[0], nullptr, nullptr, argv.data(), environ)
               : posix_spawn(pid, argv[0], nullptr, nullptr, argv.data(), environ);
}

// The child is waited for on its own thread, so it never lingers as a zombie.
void ReapInBackground(pid_t pid)
{
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

// True when the child ended within `limit` (and was reaped).
bool WaitFor(pid_t pid, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kWaitPoll);
    }
}

bool IsUrl(std::string_view text)
{
    const std::size_t colon = text.find(':');
    if (colon == 0 || colon == std::string_view::npos)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = text[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!letter && !(i > 0 && other))
            return false;
    }
    return text.substr(colon).starts_with("://") || text.starts_with("mailto:");
}

bool IsExecutableFile(const char* file)
{
    std::error_code error;
    return fs::is_regular_file(file, error) && access(file, X_OK) == 0;
}

// A relative path starting with '-' would read as an option of xdg-open.
std::string AsOpenTarget(const char* file)
{
    if (file[0] == '-')
        return "./" + std::string(file);
    return file;
}

std::optional<std::string> FindStamp(std::string_view head)
{
    const std::string_view marker(kVersionStampMarker);
    for (std::size_t at = head.find(marker); at != std::string_view::npos && at < kStampWindow;
         at = head.find(marker, at + 1)) {
        if (at > 0 && head[at - 1] != '\n')
            continue;
        const std::size_t begin = at + marker.size();
        const std::size_t end = head.find_first_of(std::string_view("\r\n\0", 3), begin);
        if (end == std::string_view::npos || end == begin)
            return std::nullopt;
        return std::string(head.substr(begin, end - begin));
    }
    return std::nullopt;
}

} // namespace

int GetMainVersion(char* out, std::uint32_t capacity, std::uint32_t* needed)
{
    return CopyOut(DOKORA_VERSION, out, capacity, needed);
}

int GetExeVersion(const char* path, char* out, std::uint32_t capacity, std::uint32_t* needed)
{
    if (path == nullptr)
        return kFailed;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return kFailed;
    std::string head(kStampWindow + kStampLineMax, '\0');
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(file.gcount()));
    const auto version = FindStamp(head);
    if (!version)
        return kFailed;
    return CopyOut(*version, out, capacity, needed);
}

bool OpenWithDesktop(const char* target)
{
    if (target == nullptr || target[0] == '\0')
        return false;
    std::error_code error;
    if (!IsUrl(target) && !fs::exists(target, error))
        return false;
    pid_t pid = 0;
    if (Spawn({kOpener, AsOpenTarget(target)}, SpawnMode::SearchPath, &pid) != 0)
        return false;
    ReapInBackground(pid);
    return true;
}

bool DesktopOpenerAvailable()
{
    const char* path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        if (!dir.empty() && IsExecutableFile((std::string(dir) + "/" + kOpener).c_str()))
            return true;
    }
    return false;
}

bool RunProgram(const char* program, const char* parameters, bool wait, std::uint32_t waitMs)
{
    if (program == nullptr || !IsExecutableFile(program))
        return false;
    std::vector<std::string> arguments{program};
    if (parameters != nullptr && parameters[0] != '\0')
        arguments.emplace_back(parameters);
    pid_t pid = 0;
    if (Spawn(arguments, SpawnMode::ExactPath, &pid) != 0)
        return false;
    if (!wait || !WaitFor(pid, std::chrono::milliseconds(waitMs)))
        ReapInBackground(pid);
    return true;
}

void UpdateDesktopIcon()
{
    pid_t pid = 0;
    if (Spawn({"xdg-desktop-menu", "forceupdate"}, SpawnMode::SearchPath, &pid) == 0)
        ReapInBackground(pid);
}

} // namespace TC_PROCESS
