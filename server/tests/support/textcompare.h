#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Comparing texts as a reader sees them: by code point, with runs of white space as one space.
namespace TextCompare {

// `text` with every run of white space made one space and none at either end.
std::string NormaliseSpace(std::string_view text);

// The code points of UTF-8 text; a malformed byte counts as one U+FFFD.
std::u32string CodePoints(std::string_view text);

// Levenshtein distance: insertions, deletions and substitutions of one code point.
std::size_t EditDistance(std::u32string_view a, std::u32string_view b);

// 1 − distance / longer length of the two texts after NormaliseSpace; 1 for two empty texts.
double Similarity(std::string_view a, std::string_view b);
// Whether Similarity(a, b) reaches `threshold`.
bool Alike(std::string_view a, std::string_view b, double threshold);

} // namespace TextCompare
