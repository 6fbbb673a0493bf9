#pragma once

#include <cstddef>
#include <string_view>

// Code points of UTF-8 text, and the scripts that join without spaces.
namespace Layout {

// The code point at `text[at]` of well-formed UTF-8; advances `at` past it. A sequence cut
// short or a stray byte gives U+FFFD and advances by one byte.
char32_t DecodeAt(std::string_view text, std::size_t& at);
char32_t FirstCodePoint(std::string_view text);
char32_t LastCodePoint(std::string_view text);

// Chinese, Japanese and Korean characters and their punctuation: no space goes between two
// of them when words or lines are joined.
bool IsCjk(char32_t codePoint);
bool IsCjkPunctuation(char32_t codePoint);

} // namespace Layout
