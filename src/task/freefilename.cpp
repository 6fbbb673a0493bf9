#include "task/freefilename.h"

#include "utility/pathsplit.h"

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
    const PathSplit split = SplitPath(path);
    const auto nameDot = split.name.rfind('.');
    const std::size_t dot =
        nameDot == std::string_view::npos ? path.size() : split.folder.size() + nameDot;
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
