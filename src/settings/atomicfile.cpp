#include "settings/atomicfile.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// The temporary file keeps the mode of the file it replaces; new files are private.
void CopyMode(int fd, const std::string& target)
{
    struct stat info
    {
    };
    if (::stat(target.c_str(), &info) == 0)
        ::fchmod(fd, info.st_mode & 07777);
}

void SyncDirectory(const std::string& path)
{
    const std::string dir = std::filesystem::path(path).parent_path().string();
    const int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd < 0)
        return;
    ::fsync(dirFd);
    ::close(dirFd);
}

} // namespace

AtomicFile::AtomicFile(std::string path) : path(std::move(path))
{
    const std::filesystem::path target(this->path);
    std::string name = ".";
    name += target.filename().string();
    name += ".XXXXXX";
    const std::string pattern = (target.parent_path() / name).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    fd = ::mkstemp(buffer.data());
    if (fd < 0) {
        failed = true;
        return;
    }
    tempPath = buffer.data();
    CopyMode(fd, this->path);
}

AtomicFile::~AtomicFile()
{
    Discard();
}

bool AtomicFile::Write(std::string_view bytes)
{
    while (!failed && !bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            failed = true;
        else
            bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return !failed;
}

bool AtomicFile::Commit()
{
    if (failed || ::fsync(fd) != 0) {
        Discard();
        return false;
    }
    const bool closed = ::close(fd) == 0;
    fd = -1;
    if (!closed || ::rename(tempPath.c_str(), path.c_str()) != 0) {
        Discard();
        return false;
    }
    tempPath.clear();
    SyncDirectory(path);
    return true;
}

void AtomicFile::Discard()
{
    failed = true;
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
    if (!tempPath.empty()) {
        ::unlink(tempPath.c_str());
        tempPath.clear();
    }
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    AtomicFile file(path);
    return file.Write(bytes) && file.Commit();
}
