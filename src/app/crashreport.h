#pragma once

#include <ctime>
#include <string>

// Crash reports: once armed, a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) writes
// a report with the signal, the faulting address, a backtrace and the memory map to
// `<dumpDir>CRASH_<start time>.DMP` and ends the process with that signal. The handler runs
// on its own stack and uses async-signal-safe calls only.

// The report file of a process started at `startTime`; `dumpDir` ends with '/'.
std::string CrashReportPath(const std::string& dumpDir, std::time_t startTime);

// Creates `dumpDir` and installs the handler. False (nothing armed) when the directory
// cannot be created or the path is too long.
bool ArmCrashReports(const std::string& dumpDir, std::time_t startTime);
