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

// Starts `file` without a shell: an executable file runs with `parameters` as its single
// argument (none when empty); a document, folder or URL opens with xdg-open. When `wait` is
// true, waits up to `waitMs` for the program to end. `show` is kept for the call shape.
// True when the program was started.
bool RunShellExecute(const char* file, const char* parameters, bool wait, std::uint32_t waitMs,
                     std::uint32_t show);

// Tells the desktop that the program's launcher entries changed.
void UpdateDesktopIcon();

} // namespace TC_PROCESS
