#include "account/pluginimage.h"

#include "utility/applog.h"
#include "utility/utilitycalls.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kLog = "LoadPluginImage";
constexpr const char* kImageName = "dokora-plugin.so";
// Known to kernels from 6.3 on; older headers lack it.
#ifdef MFD_EXEC
constexpr unsigned kMfdExec = MFD_EXEC;
#else
constexpr unsigned kMfdExec = 0x0010U;
#endif

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// True when the file at `path` is a regular file of ours that others cannot reach, holding
// exactly `bytes`.
bool HoldsExactly(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info = {};
    std::string content;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
        (info.st_mode & 077) == 0) {
        // One byte more than expected shows a file that is longer.
        content.resize(bytes.size() + 1);
        std::size_t filled = 0;
        for (ssize_t n = 0; filled < content.size(); filled += static_cast<std::size_t>(n)) {
            n = ::read(fd, content.data() + filled, content.size() - filled);
            if (n < 0 && errno == EINTR)
                n = 0;
            else if (n <= 0)
                break;
        }
        content.resize(filled);
    }
    ::close(fd);
    return content == bytes;
}

bool IsPrivateDirectory(const std::string& path)
{
    struct stat info = {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

std::string ProcPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

// The dynamic loader hands back a library already loaded under the same path without reading
// the file, and descriptor numbers are reused: moves the memory file to a number under which
// nothing is loaded yet. Closes `fd` when it moves it.
int UnusedNumber(int fd)
{
    std::vector<int> taken;
    while (fd >= 0) {
        void* loaded = ::dlopen(ProcPath(fd).c_str(), RTLD_LAZY | RTLD_NOLOAD);
        if (!loaded)
            break;
        ::dlclose(loaded);
        taken.push_back(fd);
        fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    }
    for (const int number : taken)
        ::close(number);
    return fd;
}

} // namespace

void* LoadFromMemoryFile(const std::string& bytes)
{
    int fd = ::memfd_create(kImageName, MFD_CLOEXEC | kMfdExec);
    if (fd < 0 && errno == EINVAL) // a kernel from before the flag
        fd = ::memfd_create(kImageName, MFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    void* module = nullptr;
    if (WriteAll(fd, bytes) && (fd = UnusedNumber(fd)) >= 0) {
        module = ::dlopen(ProcPath(fd).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module)
            AppLog(kLog, std::string("memory file: ") + ::dlerror());
    }
    if (fd >= 0)
        ::close(fd);
    return module;
}

void* LoadFromPrivateCopy(const std::string& bytes, const std::string& base)
{
    if (base.empty())
        return nullptr;
    std::string directory = base;
    if (!directory.ends_with('/'))
        directory += '/';
    directory += "plugin-XXXXXX";
    if (::mkdtemp(directory.data()) == nullptr)
        return nullptr;
    const std::string path = directory + "/" + kImageName;
    void* module = nullptr;
    if (IsPrivateDirectory(directory)) {
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
        if (fd >= 0) {
            const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
            if (::close(fd) == 0 && written && HoldsExactly(path, bytes)) {
                module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
                if (!module)
                    AppLog(kLog, std::string("private copy: ") + ::dlerror());
            }
        }
    }
    ::unlink(path.c_str());
    ::rmdir(directory.c_str());
    return module;
}

std::vector<std::string> PrivateCopyBases()
{
    std::vector<std::string> bases;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/')
        bases.emplace_back(runtime);
    if (auto appData = Utility::AppDataPath())
        bases.push_back(std::move(*appData));
    return bases;
}

void* LoadPluginImage(const std::string& bytes, PluginImageLoader fromMemory)
{
    if (void* module = fromMemory(bytes))
        return module;
    AppLog(kLog, "memory file refused, loading a private copy");
    for (const std::string& base : PrivateCopyBases()) {
        if (void* module = LoadFromPrivateCopy(bytes, base))
            return module;
    }
    AppLog(kLog, "no private copy could be loaded either");
    return nullptr;
}
