#pragma once

#include "confinement.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// Starting helper programs from an argument vector (never through a shell), each in a
// process group of its own so that a time limit can end it together with its children.
namespace ChildProcess {

using Clock = std::chrono::steady_clock;

struct Pipes
{
    int stdinWrite = -1; // -1 when the child reads /dev/null
    int stdoutRead = -1; // the child's standard output and error, merged; -1 when discarded
};

struct Spawned
{
    pid_t pid = -1;
    Pipes pipes;
};

// Starts argv[0] (an absolute path or a name looked up in PATH) under `confinement`.
// `group` 0 makes a new process group led by the child; another value joins that group.
// `withStdin` gives the child a pipe for its standard input; without `withOutput` its output
// goes to /dev/null (a closed pipe would end it at its first message).
std::optional<Spawned> Spawn(const std::vector<std::string>& argv, pid_t group, bool withStdin,
                             const Confinement& confinement = {}, bool withOutput = true);

// Kills the whole process group and reaps `pid`.
void KillGroup(pid_t group, pid_t pid);

struct RunResult
{
    bool started = false;
    bool timedOut = false;
    int exitCode = -1;  // the exit status when the program ended normally, otherwise -1
    int signal = 0;     // the signal that ended it, if one did
    std::string output; // the last few kilobytes of standard output and error
};

// Set from another thread to give up every wait at once, as if its deadline had passed.
using CancelFlag = std::atomic<bool>;

// Runs a program to its end or until `deadline`, when it is killed with its group.
RunResult Run(const std::vector<std::string>& argv, Clock::time_point deadline,
              const CancelFlag& cancel, const Confinement& confinement = {});

// Reads from `fd` into `line` up to a newline or `deadline`; false on end of file, error or
// time-out (`timedOut` tells which).
bool ReadLine(int fd, std::string& buffer, std::string& line, Clock::time_point deadline,
              const CancelFlag& cancel, bool& timedOut);

} // namespace ChildProcess
