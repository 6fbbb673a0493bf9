#pragma once

#include <string>
#include <string_view>

// True for well-formed UTF-8: no overlong forms, surrogates or code points above U+10FFFF.
bool IsValidUtf8(std::string_view text);
// `text` with every byte that is not part of a well-formed sequence replaced by U+FFFD.
std::string RepairUtf8(std::string_view text);
