#include "task/freefilename.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {

// Far beyond any folder a user keeps; bounds the search when creating keeps failing.
constexpr int kMaxNumber = 100000;

std::optional<ReservedName> Reserve(const std::string& candidate, bool& taken)
{
    const int fd =
        ::open(candidate.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    taken = fd < 0 && errno == EEXIST;
    if (fd < 0)
        return std::nullopt;
    return ReservedName(candidate, fd);
}

} // namespace

ReservedName::ReservedName(std::string path, int fd) : path(std::move(path)), fd(fd) {}

ReservedName::~ReservedName()
{
    if (fd >= 0)
        ::close(fd);
}

ReservedName::ReservedName(ReservedName&& other) noexcept
    : path(std::move(other.path)), fd(std::exchange(other.fd, -1))
{
}

ReservedName& ReservedName::operator=(ReservedName&& other) noexcept
{
    if (this != &other) {
        if (fd >= 0)
            ::close(fd);
        path = std::move(other.path);
        fd = std::exchange(other.fd, -1);
    }
    return *this;
}

bool ReservedName::StillHeld() const
{
    struct stat held = {};
    struct stat current = {};
    return fd >= 0 && ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &current) == 0 &&
           S_ISREG(current.st_mode) && current.st_size == 0 && current.st_dev == held.st_dev &&
           current.st_ino == held.st_ino;
}

void ReservedName::Release() const
{
    if (StillHeld())
        ::unlink(path.c_str());
}

std::optional<ReservedName> ReserveFreeName(const std::string& path)
{
    bool taken = false;
    if (auto reserved = Reserve(path, taken); reserved || !taken)
        return reserved;
    const auto lastSeparator = path.find_last_of("/\\");
    auto dot = path.rfind('.');
    if (dot == std::string::npos || (lastSeparator != std::string::npos && dot < lastSeparator))
        dot = path.size();
    for (int n = 1; n <= kMaxNumber; ++n) {
        // Built by appending: GCC 12's Release builds report a false -Wrestrict on insert().
        std::string candidate = path.substr(0, dot);
        candidate += '(';
        candidate += std::to_string(n);
        candidate += ')';
        candidate.append(path, dot);
        if (auto reserved = Reserve(candidate, taken); reserved || !taken)
            return reserved;
    }
    return std::nullopt;
}
