#include "childprocess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

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

std::optional<Spawned> Spawn(const std::vector<std::string>& argv, pid_t group, bool withStdin)
{
    int out[2] = {-1, -1};
    int in[2] = {-1, -1};
    if (pipe2(out, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    if (withStdin && pipe2(in, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return std::nullopt;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (withStdin) {
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, group);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                              POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);

    pid_t pid = -1;
    const int error = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(out[1]);
    if (withStdin) {
        close(in[0]);
    }
    if (error != 0) {
        close(out[0]);
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

enum class ReadOutcome { Data, TimedOut, Closed };

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
              const CancelFlag& cancel)
{
    RunResult result;
    std::optional<Spawned> child = Spawn(argv, 0, false);
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
    }
    return result;
}

} // namespace ChildProcess
