#include "update/installerlaunch.h"

#include "update/installersignature.h"
#include "update/updateoffer.h"
#include "utility/applog.h"
#include "utility/tc_checkpath.h"
#include "utility/tc_process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

constexpr std::string_view kCopySuffix = ".XXXXXX.run";
constexpr std::string_view kRunSuffix = ".run";

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A new file only this user can read, write and run, holding `bytes`; empty on failure.
std::string WriteRunnableCopy(const std::string& installerFile, std::string_view bytes)
{
    std::string path = installerFile + std::string(kCopySuffix);
    const int fd = ::mkostemps(path.data(), static_cast<int>(kRunSuffix.size()), O_CLOEXEC);
    if (fd < 0)
        return {};
    const bool written = ::fchmod(fd, S_IRWXU) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written) {
        ::unlink(path.c_str());
        return {};
    }
    return path;
}

} // namespace

InstallerStart StartVerifiedInstaller(const std::string& installerFile,
                                      std::string_view publicKeyPem)
{
    const VerifiedInstaller verified = ReadVerifiedInstaller(installerFile, publicKeyPem);
    if (verified.check != SignatureCheck::Valid) {
        AppLog("StartVerifiedInstaller",
               "installer refused, check " + std::to_string(static_cast<int>(verified.check)));
        TC_CHECKPATH::TC_DeleteFile(installerFile.c_str());
        TC_CHECKPATH::TC_DeleteFile((installerFile + std::string(kSignatureSuffix)).c_str());
        return InstallerStart::Refused;
    }
    const std::string copy = WriteRunnableCopy(installerFile, verified.bytes);
    if (copy.empty() || !TC_PROCESS::RunProgram(copy.c_str(), "", false, 0)) {
        AppLog("StartVerifiedInstaller", "the installer could not be started");
        if (!copy.empty())
            ::unlink(copy.c_str());
        return InstallerStart::Failed;
    }
    return InstallerStart::Started;
}
