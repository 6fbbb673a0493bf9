#include "support/unreadablefile.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace {

constexpr const char* kWriteOnlyAttribute = "/sys/bus/pci/rescan";

bool CanOpen(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace

bool MakeUnreadable(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        return false;
    fs::permissions(path, fs::perms::none, error);
    if (!CanOpen(path))
        return true;
    fs::remove(path, error);
    fs::create_symlink(kWriteOnlyAttribute, path, error);
    return !error && fs::is_regular_file(path, error) && !CanOpen(path);
}
