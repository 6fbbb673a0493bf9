#pragma once

#include "pagecontent.h"

#include <cstddef>
#include <vector>

namespace Layout {

// Words that sit side by side on one baseline, left to right.
struct Line
{
    std::vector<std::size_t> words; // indices into the page's words
    Box box;
    double fontSize = 0; // the most common size of its words
};

// Groups the given words of `words` into lines. Words on one baseline farther apart than
// `gapInFontSizes` times the line's font size start a new line: columns and table cells do
// not run together. The lines come top to bottom, and left to right on one baseline.
std::vector<Line> GroupLines(const std::vector<Word>& words, const std::vector<std::size_t>& which,
                             double gapInFontSizes);

// Every word of the page, by index.
std::vector<std::size_t> AllWords(const std::vector<Word>& words);

// Whether two boxes overlap vertically by at least `share` of the lower one's height.
bool OverlapVertically(const Box& a, const Box& b, double share);

Box Union(const Box& a, const Box& b);

// The size most of the given words' text is set in; 0 for none.
double CommonSize(const std::vector<Word>& words, const std::vector<std::size_t>& which);

// The middle value, `otherwise` when there is none.
double Median(std::vector<double> values, double otherwise = 0);

} // namespace Layout
