#include "confinement.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/landlock.h>
#include <sched.h>
#include <string_view>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

extern char** environ;

namespace {

// The ABI's later additions, which older kernel headers lack.
constexpr std::uint64_t kAccessTruncate = 1ull << 14; // ABI 3
constexpr std::uint64_t kNetBindTcp = 1ull << 0;      // ABI 4
constexpr std::uint64_t kNetConnectTcp = 1ull << 1;   // ABI 4

struct RulesetAttributes
{
    std::uint64_t handledAccessFs;
    std::uint64_t handledAccessNet;
};

constexpr std::uint64_t kReadAccess =
    LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;

std::uint64_t AllFileAccess(int version)
{
    std::uint64_t access = (LANDLOCK_ACCESS_FS_MAKE_SYM << 1) - 1; // every right of ABI 1
    if (version >= 2) {
        access |= LANDLOCK_ACCESS_FS_REFER;
    }
    if (version >= 3) {
        access |= kAccessTruncate;
    }
    return access;
}

// Where the programs, their libraries, fonts and configuration live.
const std::vector<std::filesystem::path>& SystemDirectories()
{
    static const std::vector<std::filesystem::path> directories = {
        "/usr", "/lib", "/lib64", "/bin", "/sbin", "/etc", "/opt", "/proc", "/sys", "/var/cache"};
    return directories;
}

void AddPathRule(int ruleset, const std::filesystem::path& path, std::uint64_t access, int version)
{
    const int fd = open(path.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat info
    {
    };
    // A rule on a file may only carry the rights that apply to files.
    if (fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode)) {
        access &= LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_WRITE_FILE |
                  LANDLOCK_ACCESS_FS_READ_FILE | (version >= 3 ? kAccessTruncate : 0);
    }
    landlock_path_beneath_attr rule{};
    rule.allowed_access = access;
    rule.parent_fd = fd;
    syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0);
    close(fd);
}

} // namespace

int LandlockVersion()
{
    const long version =
        syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    return version > 0 ? static_cast<int>(version) : 0;
}

Confinement::Prepared::Prepared(const Confinement& confinement)
    : memoryLimit(confinement.memoryLimit), network(confinement.network)
{
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (confinement.temporaryDir.empty() ||
            std::string_view(*variable).rfind("TMPDIR=", 0) != 0) {
            variables.emplace_back(*variable);
        }
    }
    if (!confinement.temporaryDir.empty()) {
        variables.push_back("TMPDIR=" + confinement.temporaryDir.string());
    }
    for (std::string& variable : variables) {
        environment.push_back(variable.data());
    }
    environment.push_back(nullptr);
    if (!network) {
        uidMap = "0 " + std::to_string(getuid()) + " 1\n";
        gidMap = "0 " + std::to_string(getgid()) + " 1\n";
    }
    const int version = LandlockVersion();
    if (version == 0 || (confinement.network && !confinement.limitFiles)) {
        return;
    }
    RulesetAttributes attributes{};
    attributes.handledAccessFs = confinement.limitFiles ? AllFileAccess(version) : 0;
    // No port is allowed: TCP is refused as a whole.
    attributes.handledAccessNet = !network && version >= 4 ? kNetBindTcp | kNetConnectTcp : 0;
    const std::size_t size = version >= 4 ? sizeof attributes : sizeof(std::uint64_t);
    if (attributes.handledAccessFs == 0 && attributes.handledAccessNet == 0) {
        return;
    }
    ruleset = static_cast<int>(syscall(SYS_landlock_create_ruleset, &attributes, size, 0));
    if (ruleset < 0 || !confinement.limitFiles) {
        return;
    }
    for (const auto& directory : SystemDirectories()) {
        AddPathRule(ruleset, directory, kReadAccess, version);
    }
    AddPathRule(ruleset, "/dev", kReadAccess | LANDLOCK_ACCESS_FS_WRITE_FILE, version);
    for (const auto& path : confinement.readable) {
        AddPathRule(ruleset, path, kReadAccess, version);
    }
    for (const auto& path : confinement.writable) {
        AddPathRule(ruleset, path, AllFileAccess(version), version);
    }
}

Confinement::Prepared::~Prepared()
{
    if (ruleset >= 0) {
        close(ruleset);
    }
}

namespace {

bool WriteFile(const char* path, const std::string& text)
{
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return written;
}

} // namespace

bool Confinement::Prepared::ApplyInChild() const
{
    if (memoryLimit != 0) {
        const rlimit limit{memoryLimit, memoryLimit};
        if (setrlimit(RLIMIT_AS, &limit) != 0) {
            return false;
        }
    }
    if (!network && unshare(CLONE_NEWNET) != 0) {
        // Without the privilege for a network namespace, a user namespace brings one.
        if (unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0) {
            WriteFile("/proc/self/setgroups", "deny");
            WriteFile("/proc/self/uid_map", uidMap);
            WriteFile("/proc/self/gid_map", gidMap);
        }
    }
    if (ruleset >= 0) {
        if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            syscall(SYS_landlock_restrict_self, ruleset, 0) != 0) {
            return false;
        }
    }
    return true;
}
