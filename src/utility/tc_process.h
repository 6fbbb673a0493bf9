#pragma once

#include <cstdint>

// Versions and launching other programs.
namespace TC_PROCESS {

// Our installer files carry their version as a line "DOKORA_VERSION_STAMP=<version>" within
// their first 64 KiB.
inline constexpr const char* kVersionStampMarker = "DOKORA_VERSION_STAMP=";

// The version the build stamped into the program (buffer convention, see TC_ENCODE).
int GetMainVersion(char* out, std::uint32_t capacity, std::uint32_t* needed);
// The version stamped into one of our installer files; failure when it has none.
int GetExeVersion(const char* path, char* out, std::uint32_t capacity, std::uint32_t* needed);

// Hands a document, folder or web address to the desktop's opener (xdg-open, the target as
// its own argument). The target is never run, whatever its mode bits. False when a local
// target does not exist or the opener could not be started.
bool OpenWithDesktop(const char* target);
// True when the desktop's opener is installed.
bool DesktopOpenerAvailable();

// Runs the program at `program` (that exact path, no shell) with `parameters` as its single
// argument (none when empty). When `wait` is true, waits up to `waitMs` for it to end. False
// when `program` is not an executable file or could not be started.
bool RunProgram(const char* program, const char* parameters, bool wait, std::uint32_t waitMs);

// Tells the desktop that the program's launcher entries changed.
void UpdateDesktopIcon();

} // namespace TC_PROCESS
