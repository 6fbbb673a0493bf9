#pragma once

#include <string>
#include <string_view>

// Case folding byte by byte with the C library's tolower, for keys, schemes and header names.
std::string ToLower(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
