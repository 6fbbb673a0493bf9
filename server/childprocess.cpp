#include "childprocess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string_view>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ChildProcess {
namespace {

constexpr std::size_t kOutputKept = 8192;

constexpr long long kSliceMs = 100;

// The next wait: up to the deadline, in slices so that a cancel is seen soon.
int NextWait(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, kSliceMs));
}

bool Expired(Clock::time_point deadline, const CancelFlag& cancel)
{
    return cancel.load() || Clock::now() >= deadline;
}

void CloseIfOpen(int& fd)
{
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

} // namespace

namespace {

// argv[0] itself when it holds a slash, else the first executable of that name in PATH.
std::string ProgramPath(const std::string& name)
{
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const char* path = std::getenv("PATH");
    std::string_view directories = path != nullptr ? path : "/usr/bin:/bin";
    while (!directories.empty()) {
        const auto colon = directories.find(':');
        const std::string candidate = std::string(directories.substr(0, colon)) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        directories.remove_prefix(colon == std::string_view::npos ? directories.size() : colon + 1);
    }
    return name;
}

// In the forked child: only async-signal-safe calls until exec. A failure is reported as
// its errno on `report`.
[[noreturn]] void StartChild(const std::string& program, char* const* args, pid_t group,
                             int stdinFd, int stdoutFd, int report,
                             const Confinement::Prepared& confinement, pid_t parent)
{
    int error = 0;
    sigset_t none;
    sigemptyset(&none);
    struct sigaction defaults
    {
    };
    defaults.sa_handler = SIG_DFL;
    for (int signal : {SIGPIPE, SIGTERM, SIGINT}) {
        sigaction(signal, &defaults, nullptr);
    }
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // The child dies with the thread that started it, so a killed service leaves no office
    // or tool running; a parent that died before this took effect is caught by the check.
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent || setpgid(0, group) != 0 ||
        dup2(stdinFd, STDIN_FILENO) < 0 || dup2(stdoutFd, STDOUT_FILENO) < 0 ||
        dup2(stdoutFd, STDERR_FILENO) < 0) {
        error = errno;
    } else if (!confinement.ApplyInChild()) {
        error = errno != 0 ? errno : EPERM;
    } else {
        execve(program.c_str(), args, confinement.Environment());
        error = errno;
    }
    [[maybe_unused]] const auto written = write(report, &error, sizeof error);
    _exit(127);
}

} // namespace

std::optional<Spawned> Spawn(const std::vector<std::string>& argv, pid_t group, bool withStdin,
                             const Confinement& confinement, bool withOutput)
{
    int out[2] = {-1, -1};
    int in[2] = {-1, -1};
    int report[2] = {-1, -1};
    if (withOutput ? pipe2(out, O_CLOEXEC) != 0
                   : (out[1] = open("/dev/null", O_WRONLY | O_CLOEXEC)) < 0) {
        return std::nullopt;
    }
    const int nullInput = withStdin ? -1 : open("/dev/null", O_RDONLY | O_CLOEXEC);
    if ((withStdin ? pipe2(in, O_CLOEXEC) : (nullInput < 0 ? -1 : 0)) != 0 ||
        pipe2(report, O_CLOEXEC) != 0) {
        for (int fd : {out[0], out[1], in[0], in[1], nullInput, report[0], report[1]}) {
            if (fd >= 0) {
                close(fd);
            }
        }
        return std::nullopt;
    }
    const Confinement::Prepared prepared(confinement);
    const std::string program = ProgramPath(argv.front());
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        StartChild(program, args.data(), group, withStdin ? in[0] : nullInput, out[1], report[1],
                   prepared, parent);
    }
    close(out[1]);
    close(report[1]);
    close(withStdin ? in[0] : nullInput);
    int error = 0;
    ssize_t got = -1;
    while ((got = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    if (pid < 0 || got > 0) {
        if (pid > 0) {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        if (out[0] >= 0) {
            close(out[0]);
        }
        if (withStdin) {
            close(in[1]);
        }
        return std::nullopt;
    }
    return Spawned{pid, Pipes{withStdin ? in[1] : -1, out[0]}};
}

void KillGroup(pid_t group, pid_t pid)
{
    if (group > 0) {
        killpg(group, SIGKILL);
    }
    if (pid > 0) {
        kill(pid, SIGKILL);
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

namespace {

enum class ReadOutcome
{
    Data,
    TimedOut,
    Closed
};

// Waits for output on `fd` and appends what arrives to `buffer`.
ReadOutcome ReadSome(int fd, std::string& buffer, Clock::time_point deadline,
                     const CancelFlag& cancel)
{
    for (;;) {
        if (Expired(deadline, cancel)) {
            return ReadOutcome::TimedOut;
        }
        pollfd entry{fd, POLLIN, 0};
        const int ready = poll(&entry, 1, NextWait(deadline));
        if (ready == 0 || (ready < 0 && errno == EINTR)) {
            continue;
        }
        char chunk[4096];
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return ReadOutcome::Closed;
        }
        buffer.append(chunk, static_cast<std::size_t>(got));
        return ReadOutcome::Data;
    }
}

} // namespace

bool ReadLine(int fd, std::string& buffer, std::string& line, Clock::time_point deadline,
              const CancelFlag& cancel, bool& timedOut)
{
    timedOut = false;
    for (;;) {
        if (const auto end = buffer.find('\n'); end != std::string::npos) {
            line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            return true;
        }
        switch (ReadSome(fd, buffer, deadline, cancel)) {
        case ReadOutcome::Data:
            break;
        case ReadOutcome::TimedOut:
            timedOut = true;
            return false;
        case ReadOutcome::Closed:
            return false;
        }
    }
}

RunResult Run(const std::vector<std::string>& argv, Clock::time_point deadline,
              const CancelFlag& cancel, const Confinement& confinement)
{
    RunResult result;
    std::optional<Spawned> child = Spawn(argv, 0, false, confinement);
    if (!child) {
        result.output = "cannot start " + argv.front();
        return result;
    }
    result.started = true;
    int fd = child->pipes.stdoutRead;
    for (;;) {
        const ReadOutcome outcome = ReadSome(fd, result.output, deadline, cancel);
        if (outcome != ReadOutcome::Data) {
            result.timedOut = outcome == ReadOutcome::TimedOut;
            break;
        }
        if (result.output.size() > 2 * kOutputKept) {
            result.output.erase(0, result.output.size() - kOutputKept);
        }
    }
    CloseIfOpen(fd);
    if (result.timedOut) {
        KillGroup(child->pid, child->pid);
        return result;
    }
    // A program may close its output and still run: the time limit holds until it ends.
    int status = 0;
    while (waitpid(child->pid, &status, WNOHANG) == 0) {
        if (Expired(deadline, cancel)) {
            result.timedOut = true;
            KillGroup(child->pid, child->pid);
            return result;
        }
        usleep(10000);
    }
    // Helpers left behind by the program go with its group.
    killpg(child->pid, SIGKILL);
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

} // namespace ChildProcess
