#include "app/crashreport.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

constexpr std::size_t kPathMax = 4096;
constexpr int kMaxFrames = 64;
constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// Set once before the handler is installed; the handler only reads them.
char reportPath[kPathMax];
char reportDir[kPathMax];
alignas(16) char alternateStack[64 * 1024];

void WriteText(int fd, const char* text)
{
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t written = write(fd, text, left);
        if (written <= 0)
            return;
        text += written;
        left -= static_cast<std::size_t>(written);
    }
}

void WriteNumber(int fd, unsigned long long value, unsigned base)
{
    char digits[32];
    int at = sizeof(digits) - 1;
    digits[at] = '\0';
    do {
        digits[--at] = "0123456789abcdef"[value % base];
        value /= base;
    } while (value != 0 && at > 0);
    WriteText(fd, digits + at);
}

// Creates every missing level of `path` (which ends with '/').
void MakeDirectories(const char* path)
{
    char partial[kPathMax];
    for (std::size_t i = 0; path[i] != '\0' && i + 1 < kPathMax; ++i) {
        partial[i] = path[i];
        if (path[i] == '/' && i > 0) {
            partial[i] = '\0';
            mkdir(partial, 0700);
            partial[i] = '/';
        }
    }
}

void CopyMemoryMap(int fd)
{
    const int maps = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps < 0)
        return;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(maps, buffer, sizeof(buffer))) > 0) {
        if (write(fd, buffer, static_cast<std::size_t>(got)) != got)
            break;
    }
    close(maps);
}

void OnFatalSignal(int signalNumber, siginfo_t* info, void*)
{
    const int savedErrno = errno;
    MakeDirectories(reportDir);
    const int fd = open(reportPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        WriteText(fd, "Dokora crash report\nsignal ");
        WriteNumber(fd, static_cast<unsigned>(signalNumber), 10);
        WriteText(fd, " code ");
        WriteNumber(fd, static_cast<unsigned>(info ? info->si_code : 0), 10);
        WriteText(fd, "\naddress 0x");
        WriteNumber(fd, reinterpret_cast<std::uintptr_t>(info ? info->si_addr : nullptr), 16);
        WriteText(fd, "\npid ");
        WriteNumber(fd, static_cast<unsigned>(getpid()), 10);
        WriteText(fd, "\n\nbacktrace:\n");
        void* frames[kMaxFrames];
        const int count = backtrace(frames, kMaxFrames);
        backtrace_symbols_fd(frames, count, fd);
        WriteText(fd, "\nmemory map:\n");
        CopyMemoryMap(fd);
        close(fd);
    }
    errno = savedErrno;
    // The handler was reset to the default action: raising again ends the process with the
    // original signal.
    raise(signalNumber);
}

} // namespace

std::string CrashReportPath(const std::string& dumpDir, std::time_t startTime)
{
    return dumpDir + "CRASH_" + std::to_string(static_cast<long long>(startTime)) + ".DMP";
}

bool ArmCrashReports(const std::string& dumpDir, std::time_t startTime)
{
    const std::string path = CrashReportPath(dumpDir, startTime);
    if (dumpDir.empty() || dumpDir.back() != '/' || path.size() >= kPathMax)
        return false;
    std::error_code error;
    std::filesystem::create_directories(dumpDir, error);
    if (!std::filesystem::is_directory(dumpDir, error))
        return false;
    std::memcpy(reportPath, path.c_str(), path.size() + 1);
    std::memcpy(reportDir, dumpDir.c_str(), dumpDir.size() + 1);

    // The first backtrace loads the unwinder, which must not happen inside the handler.
    void* frames[1];
    backtrace(frames, 1);

    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof(alternateStack);
    if (sigaltstack(&stack, nullptr) != 0)
        return false;
    struct sigaction action
    {
    };
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : kSignals)
        sigaction(signalNumber, &action, nullptr);
    return true;
}
