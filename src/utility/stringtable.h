#pragma once

#include <string>
#include <string_view>

// The program's string table, embedded in the binary. Texts that name an entry have the
// form "@string/NAME". Safe to use from any thread.
namespace StringTable {

inline constexpr std::string_view kKeyPrefix = "@string/";

// "@string/NAME" becomes the entry's text; an unknown key and any other text come back as
// they are.
std::string Resolve(std::string_view text);

// True when "@string/NAME" (or plain NAME) has an entry.
bool Contains(std::string_view key);

} // namespace StringTable
