#pragma once

#include <cstdint>
#include <string_view>

// Result codes of the buffer convention shared by the utility library's text functions.
namespace TC_BUFFER {

inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;
inline constexpr int kTooSmall = 3;

// Copies `text` and a terminating NUL into `out`; kTooSmall (and the capacity needed in
// `needed`) when it does not fit, leaving `out` untouched.
int CopyOut(std::string_view text, char* out, std::uint32_t capacity, std::uint32_t* needed);

} // namespace TC_BUFFER
